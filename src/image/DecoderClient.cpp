#include "image/DecoderClient.h"

#include "image/ByteSource.h"
#include "image/DecoderReply.h"
#include "image/FdPassing.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int CONTROL_FD = 3; // the helper's socket to the program

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

// Starts the helper with the socket nSocket as its descriptor 3; its pid, or -1.
pid_t SpawnHelper(int nSocket)
{
    const std::string strPath = DecoderPath();
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    // The socket becomes descriptor 3; the decoders' chatter goes nowhere.
    posix_spawn_file_actions_adddup2(&actions, nSocket, CONTROL_FD);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    sigset_t noSignals, allSignals;
    sigemptyset(&noSignals);
    sigfillset(&allSignals);
    posix_spawnattr_setsigmask(&attributes, &noSignals);
    posix_spawnattr_setsigdefault(&attributes, &allSignals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    char* argv[] = {const_cast<char*>(strPath.c_str()), nullptr};
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

// The helper serving this process: started with the first decoding, and again when it has gone.
class CDecoderServer {
public:
    CDecoderServer() = default;
    CDecoderServer(const CDecoderServer&) = delete;
    CDecoderServer& operator=(const CDecoderServer&) = delete;
    ~CDecoderServer() { Stop(); }

    // Hands the helper a request with the file and the reply socket; false when no helper takes it.
    // bRestart: the last request was lost with a helper that is going, perhaps not yet gone.
    bool Request(const SDecoderRequest& request, int fdFile, int fdReply, bool bRestart)
    {
        const int fds[2] = {fdFile, fdReply};
        const std::lock_guard lock(m_mutex);
        for (int nTry = 0; nTry < 2; ++nTry) {
            if (bRestart || HasGoneLocked())
                Stop();
            bRestart = false;
            if (m_fd < 0 && !Start())
                return false;
            if (SendWithFds(m_fd, &request, sizeof request, fds, 2))
                return true;
            Stop(); // it has gone: start another once
        }
        return false;
    }

private:
    bool Start()
    {
        int sockets[2];
        if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sockets) != 0)
            return false;
        const CFd theirs(sockets[1]);
        m_pid = SpawnHelper(theirs.Get());
        if (m_pid < 0) {
            close(sockets[0]);
            return false;
        }
        m_fd = sockets[0];
        return true;
    }
    // Whether the helper has ended (it never writes to its socket, so anything readable is its end).
    bool HasGoneLocked()
    {
        pollfd pfd{m_fd, POLLIN, 0};
        return m_fd < 0 || (poll(&pfd, 1, 0) > 0 && pfd.revents != 0);
    }
    void Stop()
    {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = -1;
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            while (waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
        m_pid = -1;
    }

    std::mutex m_mutex;
    int m_fd = -1;
    pid_t m_pid = -1;
};

constexpr int REPLY_LOST = -2;

// Waits for the reply: the child's byte saying it took the request, then one byte carrying the
// reply's descriptor. The descriptor; -1 on timeout, on a message of another shape or when the child
// ended without a reply (the file's failure); REPLY_LOST when the socket closed before any child took
// the request, which then went with a helper that ended.
int ReceiveReplyFd(int nSocket, int nTimeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
    bool bTaken = false;
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
        char byte = 0;
        int fd = -1;
        const ssize_t nRead = ReceiveWithFds(nSocket, &byte, 1, &fd, bTaken ? 1 : 0, MSG_DONTWAIT);
        if (nRead == 0)
            return bTaken ? -1 : REPLY_LOST;
        if (nRead == 1 && !bTaken && byte == DECODER_TAKEN) {
            bTaken = true;
            continue;
        }
        if (nRead == 1 && bTaken && byte == DECODER_REPLY)
            return fd;
        if (fd >= 0)
            close(fd);
        return -1;
    }
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
    static CDecoderServer server;
    bool bLost = false;
    for (int nTry = 0; nTry < 2; ++nTry) {
        int sockets[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0)
            return nullptr;
        const CFd ours(sockets[0]);
        {
            // Only the child holds the other end once it is sent, so its end closes this socket.
            const CFd theirs(sockets[1]);
            if (!server.Request(SDecoderRequest{fif, nTimeoutMs}, fd, theirs.Get(), bLost))
                return nullptr;
        }
        const int nReply = ReceiveReplyFd(ours.Get(), nTimeoutMs);
        // Lost with a helper that went before a child took it: asked once again, of a new helper.
        bLost = nReply == REPLY_LOST;
        if (bLost)
            continue;
        // The reply is sealed: nobody, the child included, can change it once it is checked.
        const CFd reply(nReply);
        if (reply.Get() < 0 || !IsSealedReply(reply.Get()))
            return nullptr;
        CFdSource source(reply.Get());
        return ReadDecoderReply(source);
    }
    return nullptr;
}
