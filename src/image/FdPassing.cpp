#include "image/FdPassing.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

bool SendWithFds(int nSocket, const void* pData, size_t nBytes, const int* pFds, int nFds)
{
    if (nBytes == 0 || nFds < 0 || nFds > MAX_PASSED_FDS)
        return false;
    iovec iov{const_cast<void*>(pData), nBytes};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * MAX_PASSED_FDS)] = {};
    msghdr message{};
    message.msg_iov = &iov;
    message.msg_iovlen = 1;
    if (nFds > 0) {
        message.msg_control = control;
        message.msg_controllen = CMSG_SPACE(sizeof(int) * size_t(nFds));
        cmsghdr* pHeader = CMSG_FIRSTHDR(&message);
        pHeader->cmsg_level = SOL_SOCKET;
        pHeader->cmsg_type = SCM_RIGHTS;
        pHeader->cmsg_len = CMSG_LEN(sizeof(int) * size_t(nFds));
        std::memcpy(CMSG_DATA(pHeader), pFds, sizeof(int) * size_t(nFds));
    }
    ssize_t n;
    do
        n = sendmsg(nSocket, &message, MSG_NOSIGNAL);
    while (n < 0 && errno == EINTR);
    return n == ssize_t(nBytes);
}

ssize_t ReceiveWithFds(int nSocket, void* pData, size_t nBytes, int* pFds, int nFds, int nFlags)
{
    iovec iov{pData, nBytes};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * MAX_PASSED_FDS)] = {};
    msghdr message{};
    message.msg_iov = &iov;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t n;
    do
        n = recvmsg(nSocket, &message, nFlags | MSG_CMSG_CLOEXEC);
    while (n < 0 && errno == EINTR);
    if (n <= 0)
        return n;
    // Every descriptor that came is taken, so that none stays open when the message is refused.
    int received[MAX_PASSED_FDS];
    int nReceived = 0;
    bool bSound = (message.msg_flags & (MSG_CTRUNC | MSG_TRUNC)) == 0;
    for (cmsghdr* pHeader = CMSG_FIRSTHDR(&message); pHeader; pHeader = CMSG_NXTHDR(&message, pHeader)) {
        if (pHeader->cmsg_level != SOL_SOCKET || pHeader->cmsg_type != SCM_RIGHTS) {
            bSound = false;
            continue;
        }
        const size_t nCount = (pHeader->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (size_t i = 0; i < nCount; ++i) {
            int fd;
            std::memcpy(&fd, CMSG_DATA(pHeader) + i * sizeof(int), sizeof fd);
            if (nReceived < MAX_PASSED_FDS)
                received[nReceived++] = fd;
            else
                close(fd), bSound = false;
        }
    }
    if (!bSound || nReceived != nFds) {
        for (int i = 0; i < nReceived; ++i)
            close(received[i]);
        return -1;
    }
    std::memcpy(pFds, received, sizeof(int) * size_t(nFds));
    return n;
}
