#pragma once
// Bytes read at positions: an open file descriptor or a block of memory. No Qt, so that the decoder
// helper, the fuzz targets and the program share the readers built on it.
#include <cstddef>
#include <cstdint>

class CByteSource {
public:
    virtual ~CByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Copies up to nCount bytes from nPos on into pDest; gives how many were copied (fewer at the end).
    virtual size_t ReadAt(uint64_t nPos, void* pDest, size_t nCount) = 0;
    // True when exactly nCount bytes were read.
    bool ReadExactly(uint64_t nPos, void* pDest, size_t nCount) { return ReadAt(nPos, pDest, nCount) == nCount; }
};

// A descriptor read with pread: the position of the descriptor is left alone. Size is fstat's, taken once.
class CFdSource final : public CByteSource {
public:
    explicit CFdSource(int fd);
    uint64_t Size() const override { return m_nSize; }
    size_t ReadAt(uint64_t nPos, void* pDest, size_t nCount) override;

private:
    int m_fd;
    uint64_t m_nSize = 0;
};

class CMemorySource final : public CByteSource {
public:
    CMemorySource(const uint8_t* pData, size_t nSize) : m_pData(pData), m_nSize(nSize) {}
    uint64_t Size() const override { return m_nSize; }
    size_t ReadAt(uint64_t nPos, void* pDest, size_t nCount) override;

private:
    const uint8_t* m_pData;
    size_t m_nSize;
};

// FreeImage reading through a source: FreeImage_LoadFromHandle(fif, &io, &cursor, flags) with io from
// SourceIO() and a cursor at the start of the source.
struct FreeImageIO;
struct SSourceCursor {
    CByteSource* pSource;
    uint64_t nPos = 0;
};
FreeImageIO SourceIO();
