#pragma once
// The TWAIN 1.x protocol as an application and a source manager speak it: the structures (2-byte
// packing), the names and values of groups, data types, messages, return and condition codes, the
// entry point, and the memory blocks that carry containers and native images between them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using TW_INT8 = int8_t;
using TW_INT16 = int16_t;
using TW_INT32 = int32_t;
using TW_UINT8 = uint8_t;
using TW_UINT16 = uint16_t;
using TW_UINT32 = uint32_t;
using TW_BOOL = uint16_t;
using TW_MEMREF = void*;
using TW_HANDLE = void*;
using TW_STR32 = char[34];

#pragma pack(push, 2)
struct TW_FIX32 {
    TW_INT16 Whole;
    TW_UINT16 Frac;
};
struct TW_VERSION {
    TW_UINT16 MajorNum;
    TW_UINT16 MinorNum;
    TW_UINT16 Language;
    TW_UINT16 Country;
    TW_STR32 Info;
};
struct TW_IDENTITY {
    TW_UINT32 Id;
    TW_VERSION Version;
    TW_UINT16 ProtocolMajor;
    TW_UINT16 ProtocolMinor;
    TW_UINT32 SupportedGroups;
    TW_STR32 Manufacturer;
    TW_STR32 ProductFamily;
    TW_STR32 ProductName;
};
struct TW_STATUS {
    TW_UINT16 ConditionCode;
    TW_UINT16 Reserved;
};
struct TW_EVENT {
    TW_MEMREF pEvent; // the application's event (a QEvent*)
    TW_UINT16 TWMessage;
};
struct TW_USERINTERFACE {
    TW_BOOL ShowUI;
    TW_BOOL ModalUI;
    TW_HANDLE hParent; // the application's window (a QWidget*)
};
struct TW_CAPABILITY {
    TW_UINT16 Cap;
    TW_UINT16 ConType;
    TW_HANDLE hContainer;
};
struct TW_ONEVALUE {
    TW_UINT16 ItemType;
    TW_UINT32 Item;
};
struct TW_PENDINGXFERS {
    TW_UINT16 Count;
    TW_UINT32 Reserved;
};
struct TW_IMAGEINFO {
    TW_FIX32 XResolution;
    TW_FIX32 YResolution;
    TW_INT32 ImageWidth;
    TW_INT32 ImageLength;
    TW_INT16 SamplesPerPixel;
    TW_INT16 BitsPerSample[8];
    TW_INT16 BitsPerPixel;
    TW_BOOL Planar;
    TW_INT16 PixelType;
    TW_UINT16 Compression;
};
#pragma pack(pop)
static_assert(sizeof(TW_IDENTITY) == 156);
static_assert(sizeof(TW_ONEVALUE) == 6);

enum : TW_UINT32 { DG_CONTROL = 0x0001, DG_IMAGE = 0x0002 };
enum : TW_UINT16 {
    DAT_NULL = 0x0000,
    DAT_CAPABILITY = 0x0001,
    DAT_EVENT = 0x0002,
    DAT_IDENTITY = 0x0003,
    DAT_PARENT = 0x0004,
    DAT_PENDINGXFERS = 0x0005,
    DAT_STATUS = 0x0008,
    DAT_USERINTERFACE = 0x0009,
    DAT_IMAGEINFO = 0x0101,
    DAT_IMAGENATIVEXFER = 0x0104,
};
enum : TW_UINT16 {
    MSG_NULL = 0x0000,
    MSG_GET = 0x0001,
    MSG_GETCURRENT = 0x0002,
    MSG_GETDEFAULT = 0x0003,
    MSG_GETFIRST = 0x0004,
    MSG_GETNEXT = 0x0005,
    MSG_SET = 0x0006,
    MSG_RESET = 0x0007,
    MSG_XFERREADY = 0x0101,
    MSG_CLOSEDSREQ = 0x0102,
    MSG_OPENDSM = 0x0301,
    MSG_CLOSEDSM = 0x0302,
    MSG_OPENDS = 0x0401,
    MSG_CLOSEDS = 0x0402,
    MSG_USERSELECT = 0x0403,
    MSG_DISABLEDS = 0x0501,
    MSG_ENABLEDS = 0x0502,
    MSG_PROCESSEVENT = 0x0601,
    MSG_ENDXFER = 0x0701,
};
enum : TW_UINT16 {
    TWRC_SUCCESS = 0,
    TWRC_FAILURE = 1,
    TWRC_CHECKSTATUS = 2,
    TWRC_CANCEL = 3,
    TWRC_DSEVENT = 4,
    TWRC_NOTDSEVENT = 5,
    TWRC_XFERDONE = 6,
    TWRC_ENDOFLIST = 7,
};
enum : TW_UINT16 {
    TWCC_SUCCESS = 0,
    TWCC_BUMMER = 1,
    TWCC_LOWMEMORY = 2,
    TWCC_NODS = 3,
    TWCC_MAXCONNECTIONS = 4,
    TWCC_OPERATIONERROR = 5,
    TWCC_BADCAP = 6,
    TWCC_BADPROTOCOL = 9,
    TWCC_BADVALUE = 10,
    TWCC_SEQERROR = 11,
    TWCC_BADDEST = 12,
};
enum : TW_UINT16 { CAP_XFERCOUNT = 0x0001 };
enum : TW_UINT16 { TWON_ONEVALUE = 5, TWON_DONTCARE16 = 0xffff };
enum : TW_UINT16 { TWTY_INT16 = 1, TWTY_UINT16 = 4 };
enum : TW_UINT16 { TWLG_USA = 13, TWCY_USA = 1 };
enum : TW_INT16 { TWPT_BW = 0, TWPT_GRAY = 1, TWPT_RGB = 2 };

using DSMENTRYPROC = TW_UINT16 (*)(TW_IDENTITY* pOrigin, TW_IDENTITY* pDest, TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG,
                                   TW_MEMREF pData);

// Memory blocks handed between the application and the source manager (capability containers,
// native images). A handle remembers its block's size, so that the receiver never reads beyond it.
namespace TwainMemory {
struct SHeader {
    uint64_t nMagic;
    uint64_t nSize;
};
constexpr uint64_t MAGIC = 0x4b4c4254574d454dull;

// A zero-filled block of nSize bytes; null when there is no memory for it.
inline TW_HANDLE Alloc(size_t nSize)
{
    if (nSize > SIZE_MAX - sizeof(SHeader))
        return nullptr;
    auto* pHeader = static_cast<SHeader*>(std::calloc(1, sizeof(SHeader) + nSize));
    if (!pHeader)
        return nullptr;
    pHeader->nMagic = MAGIC;
    pHeader->nSize = nSize;
    return pHeader;
}
// The block's size; 0 for null or for a handle this protocol did not make.
inline size_t Size(TW_HANDLE hBlock)
{
    const auto* pHeader = static_cast<const SHeader*>(hBlock);
    return pHeader && pHeader->nMagic == MAGIC ? size_t(pHeader->nSize) : 0;
}
// The block's bytes; null when Size is 0.
inline uint8_t* Lock(TW_HANDLE hBlock)
{
    return Size(hBlock) ? reinterpret_cast<uint8_t*>(static_cast<SHeader*>(hBlock) + 1) : nullptr;
}
// Frees a block this protocol made; another manager's handle is not ours to free.
inline void Free(TW_HANDLE hBlock)
{
    if (auto* pHeader = static_cast<SHeader*>(hBlock); pHeader && pHeader->nMagic == MAGIC) {
        pHeader->nMagic = 0;
        std::free(pHeader);
    }
}
} // namespace TwainMemory
