// lumivo-decoder: decodes image files for the program, each in a process of its own. The program
// starts it once, with a socket at descriptor 3, and sends one request per file (image/DecoderReply.h)
// carrying the open file and a socket for the reply. For each request the helper forks a child, which
// limits its own address space, CPU and wall-clock time, confines itself with a seccomp filter, decodes
// the file and hands back one byte with a sealed memory file holding the reply. It opens nothing by
// path. A file that breaks a decoder costs that child only; a child that ends without a reply means
// the file cannot be read. Forking the loaded helper costs far less than starting a new process, which
// would load and relocate some thirty libraries for every file.
#include "decoder/Decode.h"
#include "image/ByteSource.h"
#include "image/DecoderReply.h"
#include "image/FdPassing.h"
#include "image/FileCheck.h"

#include <FreeImage.h>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <csignal>
#include <fcntl.h>
#include <malloc.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int FILE_FD = 0;
constexpr int CONTROL_FD = 3;     // the helper's socket to the program
constexpr int REPLY_SOCKET_FD = 3; // a child's socket for its reply, in place of the above
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

// Only what decoding and replying need: reading the file, memory, writing and sealing the reply's
// memory file, sending it, and ending. Anything else ends the process.
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
    const auto allowOn = [&](int nCall, unsigned nFd) {
        bOk = bOk && seccomp_rule_add(ctx, SCMP_ACT_ALLOW, nCall, 1, SCMP_A0(SCMP_CMP_EQ, nFd)) == 0;
    };
    allowOn(SCMP_SYS(pread64), FILE_FD);
    allowOn(SCMP_SYS(read), FILE_FD);
    allowOn(SCMP_SYS(write), unsigned(nReplyFd));
    allowOn(SCMP_SYS(write), STDERR_FILENO);
    allowOn(SCMP_SYS(sendmsg), REPLY_SOCKET_FD);
    bOk = bOk && seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(fcntl), 2, SCMP_A0(SCMP_CMP_EQ, unsigned(nReplyFd)),
                                  SCMP_A1(SCMP_CMP_EQ, unsigned(F_ADD_SEALS))) == 0;
    bOk = bOk && seccomp_load(ctx) == 0;
    seccomp_release(ctx);
    return bOk;
}

// Fresh memory costs a page fault for every page the decoder first writes; the heap the bitmap of
// nBytes will come from is made resident in one call instead, before decoding. Bitmaps beyond 64 MB
// are mapped on their own, in huge pages (the helper runs with glibc.malloc.hugetlb=1).
void PrefaultHeap(uint64_t nBytes)
{
    constexpr uint64_t HEAP_BLOCKS = 64 << 20;
    if (nBytes == 0 || nBytes > HEAP_BLOCKS)
        return;
    mallopt(M_MMAP_THRESHOLD, int(HEAP_BLOCKS));
    mallopt(M_TRIM_THRESHOLD, int(2 * HEAP_BLOCKS)); // the freed block stays in the heap for the bitmap
    const size_t nBlock = size_t(nBytes) + (size_t(1) << 20); // header, palette, alignment
    void* p = std::malloc(nBlock);
    if (!p)
        return;
    const uintptr_t nStart = (uintptr_t(p) + 4095) & ~uintptr_t(4095);
    const uintptr_t nEnd = (uintptr_t(p) + nBlock) & ~uintptr_t(4095);
    madvise(reinterpret_cast<void*>(nStart), nEnd - nStart, MADV_POPULATE_WRITE); // a hint: may fail
    std::free(p);
}

// A child's work: the file at FILE_FD, the reply through REPLY_SOCKET_FD. Ends the process.
[[noreturn]] void DecodeOne(const SDecoderRequest& request)
{
    const int nReplyFd = memfd_create("lumivo-reply", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    // The program stops waiting after the timeout; the child ends then too.
    alarm(unsigned(std::max(1, request.nTimeoutMs / 1000 + 1)));
    if (nReplyFd < 0 || !LimitResources() || (!SANITIZED && !ConfineSyscalls(nReplyFd)))
        _exit(3);
    CFdSource source(FILE_FD);
    uint64_t nClaimedBytes = 0;
    if (!IsPlausibleImage(request.nFormat, source, &nClaimedBytes))
        _exit(4);
    PrefaultHeap(nClaimedBytes);
    FIBITMAP* pBitmap = DecodeImage(request.nFormat, source);
    if (!pBitmap)
        _exit(5);
    if (!WriteDecoderReply(pBitmap, nReplyFd) || !SealReply(nReplyFd) ||
        !SendWithFds(REPLY_SOCKET_FD, &DECODER_REPLY, 1, &nReplyFd, 1))
        _exit(6);
    _exit(0); // no unloading: the process ends here
}

} // namespace

int main(int argc, char**)
{
    if (argc != 1)
        return 2;
    // Nothing but the socket to the program and stderr stays open; the system reaps the children.
    close_range(CONTROL_FD + 1, ~0u, 0);
    signal(SIGCHLD, SIG_IGN);
    PrepareDecoding();
    for (;;) {
        SDecoderRequest request{};
        int fds[2];
        const ssize_t n = ReceiveWithFds(CONTROL_FD, &request, sizeof request, fds, 2);
        if (n != ssize_t(sizeof request)) {
            if (n > 0)
                close(fds[0]), close(fds[1]);
            return 0; // the program has gone, or speaks another protocol
        }
        if (fork() == 0) {
            if (dup2(fds[0], FILE_FD) < 0 || dup2(fds[1], REPLY_SOCKET_FD) < 0 ||
                send(REPLY_SOCKET_FD, &DECODER_TAKEN, 1, MSG_NOSIGNAL) != 1)
                _exit(3);
            close_range(REPLY_SOCKET_FD + 1, ~0u, 0);
            DecodeOne(request);
        }
        close(fds[0]);
        close(fds[1]);
    }
}
