// lumivo-decoder FORMAT: decodes the image file open on descriptor 0 for the program and hands the
// result back on the socket at descriptor 3: one byte and, with it, a memory file holding the reply
// (image/DecoderReply.h). It opens nothing by path. Before reading the file it limits its own address
// space and CPU time and confines itself with a seccomp filter, so a file that breaks a decoder costs
// this process only; exit without a reply means the file cannot be read.
#include "decoder/Decode.h"
#include "image/ByteSource.h"
#include "image/DecoderReply.h"
#include "image/FileCheck.h"

#include <FreeImage.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int FILE_FD = 0;
constexpr int REPLY_SOCKET_FD = 3;
constexpr rlim_t CPU_SECONDS = 20;
// The decoded bitmap, a converted copy of it and the decoders' own buffers.
constexpr rlim_t ADDRESS_SPACE = rlim_t(2) * MAX_IMAGE_BYTES + (rlim_t(768) << 20);

bool SetLimit(int nResource, rlim_t nSoft, rlim_t nHard)
{
    const rlimit limit{nSoft, nHard};
    return setrlimit(nResource, &limit) == 0;
}

// A sanitizer build goes without the address-space limit and the system-call filter: AddressSanitizer
// reserves terabytes of address space for its shadow, and the sanitizers make system calls of their
// own (pipes to probe memory, threads for leak checks).
#if defined(__SANITIZE_ADDRESS__)
constexpr bool SANITIZED = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool SANITIZED = true;
#else
constexpr bool SANITIZED = false;
#endif
#else
constexpr bool SANITIZED = false;
#endif

bool LimitResources()
{
    return SetLimit(RLIMIT_CPU, CPU_SECONDS, CPU_SECONDS + 1) && SetLimit(RLIMIT_CORE, 0, 0) &&
           SetLimit(RLIMIT_NOFILE, 8, 8) && (SANITIZED || SetLimit(RLIMIT_AS, ADDRESS_SPACE, ADDRESS_SPACE));
}

// Only what decoding and replying need: reading the file, memory, writing the reply into the memory
// file, sending it, and ending. Anything else ends the process.
bool ConfineSyscalls(int nReplyFd)
{
    scmp_filter_ctx ctx = seccomp_init(SCMP_ACT_KILL_PROCESS);
    if (!ctx)
        return false;
    static constexpr int anywhere[] = {SCMP_SYS(brk),         SCMP_SYS(mmap),           SCMP_SYS(munmap),
                                       SCMP_SYS(mremap),      SCMP_SYS(madvise),        SCMP_SYS(mprotect),
                                       SCMP_SYS(futex),       SCMP_SYS(clock_gettime),  SCMP_SYS(gettimeofday),
                                       SCMP_SYS(exit),        SCMP_SYS(exit_group),     SCMP_SYS(rt_sigreturn),
                                       SCMP_SYS(rt_sigprocmask), SCMP_SYS(getpid),      SCMP_SYS(gettid),
                                       SCMP_SYS(close),       SCMP_SYS(fstat),          SCMP_SYS(newfstatat),
                                       SCMP_SYS(sysinfo)}; // libtiff sizes its buffers by it
    bool bOk = true;
    for (const int nCall : anywhere)
        bOk = bOk && seccomp_rule_add(ctx, SCMP_ACT_ALLOW, nCall, 0) == 0;
    bOk = bOk && seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(pread64), 1, SCMP_A0(SCMP_CMP_EQ, FILE_FD)) == 0 &&
          seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(read), 1, SCMP_A0(SCMP_CMP_EQ, FILE_FD)) == 0 &&
          seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(write), 1, SCMP_A0(SCMP_CMP_EQ, unsigned(nReplyFd))) == 0 &&
          seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(write), 1, SCMP_A0(SCMP_CMP_EQ, STDERR_FILENO)) == 0 &&
          seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(sendmsg), 1, SCMP_A0(SCMP_CMP_EQ, REPLY_SOCKET_FD)) == 0 &&
          seccomp_load(ctx) == 0;
    seccomp_release(ctx);
    return bOk;
}

bool SendReply(int nReplyFd)
{
    char byte = 1;
    iovec iov{&byte, 1};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &iov;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* pHeader = CMSG_FIRSTHDR(&message);
    pHeader->cmsg_level = SOL_SOCKET;
    pHeader->cmsg_type = SCM_RIGHTS;
    pHeader->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(pHeader), &nReplyFd, sizeof(int));
    ssize_t n;
    do
        n = sendmsg(REPLY_SOCKET_FD, &message, MSG_NOSIGNAL);
    while (n < 0 && errno == EINTR);
    return n == 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const int fif = std::atoi(argv[1]);
    // Nothing but the file, the socket and stderr stays open.
    close_range(REPLY_SOCKET_FD + 1, ~0u, 0);
    const int nReplyFd = memfd_create("lumivo-reply", MFD_CLOEXEC);
    PrepareDecoding();
    if (nReplyFd < 0 || !LimitResources() || (!SANITIZED && !ConfineSyscalls(nReplyFd)))
        return 3;
    CFdSource source(FILE_FD);
    if (!IsPlausibleImage(fif, source))
        return 4;
    FIBITMAP* pBitmap = DecodeImage(fif, source);
    if (!pBitmap)
        return 5;
    if (!WriteDecoderReply(pBitmap, nReplyFd) || !SendReply(nReplyFd))
        return 6;
    _exit(0); // no unloading: the process ends here
}
