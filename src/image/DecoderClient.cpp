#include "image/DecoderClient.h"

#include "image/ByteSource.h"
#include "image/DecoderReply.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int FILE_FD = 0;
constexpr int REPLY_SOCKET_FD = 3;

// A descriptor closed when it goes out of scope.
class CFd {
public:
    explicit CFd(int fd = -1) : m_fd(fd) {}
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    ~CFd()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    int Get() const { return m_fd; }

private:
    int m_fd;
};

bool IsExecutable(const std::string& strPath)
{
    struct stat st {};
    return stat(strPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(strPath.c_str(), X_OK) == 0;
}

pid_t SpawnHelper(int fif, int fd, int nSocket)
{
    const std::string strPath = DecoderPath();
    const std::string strFormat = std::to_string(fif);
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    // The file becomes standard input, the socket descriptor 3; the decoders' chatter goes nowhere.
    posix_spawn_file_actions_adddup2(&actions, fd, FILE_FD);
    posix_spawn_file_actions_adddup2(&actions, nSocket, REPLY_SOCKET_FD);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    sigset_t noSignals, allSignals;
    sigemptyset(&noSignals);
    sigfillset(&allSignals);
    posix_spawnattr_setsigmask(&attributes, &noSignals);
    posix_spawnattr_setsigdefault(&attributes, &allSignals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    char* argv[] = {const_cast<char*>(strPath.c_str()), const_cast<char*>(strFormat.c_str()), nullptr};
    // The helper's large blocks (the decoded bitmap) come from huge pages where the system offers them.
    std::vector<char*> environment;
    for (char** p = environ; *p; ++p)
        if (std::strncmp(*p, "GLIBC_TUNABLES=", 15) != 0)
            environment.push_back(*p);
    static char szTunables[] = "GLIBC_TUNABLES=glibc.malloc.hugetlb=1";
    environment.push_back(szTunables);
    environment.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, strPath.c_str(), &actions, &attributes, argv, environment.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return pid;
}

// Waits for the helper's one message and takes the descriptor it carries; -1 on end of stream,
// timeout or a message of another shape.
int ReceiveReplyFd(int nSocket, int nTimeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
    for (;;) {
        const auto nLeft =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (nLeft <= 0)
            return -1;
        pollfd pfd{nSocket, POLLIN, 0};
        const int n = poll(&pfd, 1, int(std::min<long long>(nLeft, INT_MAX)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return -1;
        break;
    }
    char byte = 0;
    iovec iov{&byte, 1};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &iov;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t n;
    do
        n = recvmsg(nSocket, &message, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
    while (n < 0 && errno == EINTR);
    const cmsghdr* pHeader = n == 1 ? CMSG_FIRSTHDR(&message) : nullptr;
    if (!pHeader || (message.msg_flags & MSG_CTRUNC) || pHeader->cmsg_level != SOL_SOCKET ||
        pHeader->cmsg_type != SCM_RIGHTS || pHeader->cmsg_len != CMSG_LEN(sizeof(int)))
        return -1;
    int fd = -1;
    std::memcpy(&fd, CMSG_DATA(pHeader), sizeof fd);
    return fd;
}

} // namespace

std::string DecoderPath()
{
    char szExe[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", szExe, sizeof szExe - 1);
    if (n > 0) {
        std::string strBeside(szExe, size_t(n));
        strBeside = strBeside.substr(0, strBeside.rfind('/') + 1) + "lumivo-decoder";
        if (IsExecutable(strBeside))
            return strBeside;
    }
    return LUMIVO_DECODER_BUILD_PATH;
}

FIBITMAP* DecodeInHelper(int fif, int fd, int nTimeoutMs)
{
    int sockets[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0)
        return nullptr;
    const CFd ours(sockets[0]);
    pid_t pid;
    {
        const CFd theirs(sockets[1]);
        pid = SpawnHelper(fif, fd, theirs.Get());
    }
    if (pid < 0)
        return nullptr;
    const CFd reply(ReceiveReplyFd(ours.Get(), nTimeoutMs));
    // The reply is complete once sent; whatever the helper still does, it ends now.
    kill(pid, SIGKILL);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    if (reply.Get() < 0)
        return nullptr;
    CFdSource source(reply.Get());
    return ReadDecoderReply(source);
}
