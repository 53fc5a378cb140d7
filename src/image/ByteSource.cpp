#include "image/ByteSource.h"

#include <FreeImage.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

CFdSource::CFdSource(int fd) : m_fd(fd)
{
    struct stat st {};
    if (fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        m_nSize = uint64_t(st.st_size);
}

size_t CFdSource::ReadAt(uint64_t nPos, void* pDest, size_t nCount)
{
    size_t nDone = 0;
    while (nDone < nCount && nPos + nDone < m_nSize) {
        const ssize_t n = pread(m_fd, static_cast<char*>(pDest) + nDone, nCount - nDone, off_t(nPos + nDone));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        nDone += size_t(n);
    }
    return nDone;
}

size_t CMemorySource::ReadAt(uint64_t nPos, void* pDest, size_t nCount)
{
    if (nPos >= m_nSize || nCount == 0)
        return 0;
    const size_t n = std::min<uint64_t>(nCount, m_nSize - nPos);
    std::memcpy(pDest, m_pData + nPos, n);
    return n;
}

namespace {
SSourceCursor& Cursor(fi_handle handle)
{
    return *static_cast<SSourceCursor*>(handle);
}

unsigned DLL_CALLCONV ReadProc(void* pBuffer, unsigned nSize, unsigned nCount, fi_handle handle)
{
    SSourceCursor& cursor = Cursor(handle);
    if (nSize == 0 || nCount == 0)
        return 0;
    const uint64_t nWanted = uint64_t(nSize) * nCount;
    if (nWanted > SIZE_MAX)
        return 0;
    const size_t nRead = cursor.pSource->ReadAt(cursor.nPos, pBuffer, size_t(nWanted));
    cursor.nPos += nRead;
    return unsigned(nRead / nSize);
}

unsigned DLL_CALLCONV WriteProc(void*, unsigned, unsigned, fi_handle)
{
    return 0;
}

int DLL_CALLCONV SeekProc(fi_handle handle, long nOffset, int nOrigin)
{
    SSourceCursor& cursor = Cursor(handle);
    const int64_t nBase = nOrigin == SEEK_SET ? 0 : nOrigin == SEEK_CUR ? int64_t(cursor.nPos)
                        : nOrigin == SEEK_END ? int64_t(cursor.pSource->Size()) : -1;
    if (nBase < 0 || (nOffset < 0 && -int64_t(nOffset) > nBase) || (nOffset > 0 && nOffset > INT64_MAX / 2))
        return -1;
    cursor.nPos = uint64_t(nBase + nOffset);
    return 0;
}

long DLL_CALLCONV TellProc(fi_handle handle)
{
    return long(Cursor(handle).nPos);
}
} // namespace

FreeImageIO SourceIO()
{
    return FreeImageIO{ReadProc, WriteProc, SeekProc, TellProc};
}
