#pragma once
// Messages that carry open descriptors over a Unix socket (SCM_RIGHTS), between the program and the
// decoder helper. No Qt: both sides use it.
#include <cstddef>
#include <sys/types.h>

// The most descriptors one message carries.
constexpr int MAX_PASSED_FDS = 2;

// Sends nBytes (at least one) with nFds descriptors (at most MAX_PASSED_FDS); false unless the whole
// message went. Never raises SIGPIPE.
bool SendWithFds(int nSocket, const void* pData, size_t nBytes, const int* pFds, int nFds);

// Receives one message of at most nBytes that must carry exactly nFds descriptors (closed on exec):
// its length, 0 at the end of the stream, -1 on an error or a message of another shape, whose
// descriptors are then closed. nFlags go to recvmsg (MSG_DONTWAIT).
ssize_t ReceiveWithFds(int nSocket, void* pData, size_t nBytes, int* pFds, int nFds, int nFlags = 0);
