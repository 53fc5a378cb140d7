#include "tools/sanedsm/SaneDevice.h"

#include <algorithm>
#include <cmath>
#include <sane/saneopts.h>

namespace {
constexpr uint64_t MAX_SCAN_BYTES = uint64_t(1) << 30; // largest scan or image accepted
constexpr int MAX_LIST = 1024;                         // entries read of a device's value list
constexpr SANE_Int MAX_STRING_OPTION = 4096;           // bytes of a string option
constexpr size_t INFO_HEADER_SIZE = 40;
constexpr size_t READ_CHUNK = 64 * 1024;
constexpr int MAX_EMPTY_READS = 1000; // a device that keeps sending nothing has stopped

// Bytes of one row of samples as the frame format and depth need them.
uint64_t SampleBytesPerLine(const SANE_Parameters& params)
{
    const uint64_t nChannels = params.format == SANE_FRAME_RGB ? 3 : 1;
    return (nChannels * uint64_t(params.pixels_per_line) * uint64_t(params.depth) + 7) / 8;
}

int DibBitCount(const SANE_Parameters& params)
{
    if (params.format == SANE_FRAME_RGB)
        return 24;
    return params.depth == 1 ? 1 : 8;
}

uint64_t DibPitch(int nWidth, int nBitCount)
{
    return (uint64_t(nWidth) * uint64_t(nBitCount) + 31) / 32 * 4;
}

void PutLittleEndian(uint8_t* p, uint32_t nValue, int nBytes)
{
    for (int i = 0; i < nBytes; ++i)
        p[i] = uint8_t(nValue >> (8 * i));
}

// One row of samples into one DIB row: 1-bit inverted (SANE's 1 is black, the DIB's palette has
// black first), 16-bit samples reduced to their high byte, RGB reordered to BGR.
void ConvertRow(const SANE_Parameters& params, const uint8_t* pSrc, uint8_t* pDst)
{
    const int nWidth = params.pixels_per_line;
    if (params.depth == 1) {
        for (uint64_t i = 0; i < SampleBytesPerLine(params); ++i)
            pDst[i] = uint8_t(~pSrc[i]);
        return;
    }
    auto sample = [&params, pSrc](int nIndex) -> uint8_t {
        if (params.depth == 8)
            return pSrc[nIndex];
        uint16_t nValue;
        std::memcpy(&nValue, pSrc + 2 * nIndex, 2); // machine byte order
        return uint8_t(nValue >> 8);
    };
    if (params.format == SANE_FRAME_GRAY) {
        for (int x = 0; x < nWidth; ++x)
            pDst[x] = sample(x);
        return;
    }
    for (int x = 0; x < nWidth; ++x) {
        pDst[3 * x] = sample(3 * x + 2);
        pDst[3 * x + 1] = sample(3 * x + 1);
        pDst[3 * x + 2] = sample(3 * x);
    }
}
} // namespace

std::vector<SSaneDeviceInfo> ListSaneDevices()
{
    std::vector<SSaneDeviceInfo> devices;
    const SANE_Device** ppList = nullptr;
    if (sane_get_devices(&ppList, SANE_FALSE) != SANE_STATUS_GOOD || !ppList)
        return devices;
    for (int i = 0; ppList[i] && i < MAX_LIST; ++i) {
        const SANE_Device* pDevice = ppList[i];
        if (pDevice->name && *pDevice->name)
            devices.push_back(
                {pDevice->name, pDevice->vendor ? pDevice->vendor : "", pDevice->model ? pDevice->model : ""});
    }
    return devices;
}

bool IsSupportedScan(const SANE_Parameters& params)
{
    const bool bGray =
        params.format == SANE_FRAME_GRAY && (params.depth == 1 || params.depth == 8 || params.depth == 16);
    const bool bRgb = params.format == SANE_FRAME_RGB && (params.depth == 8 || params.depth == 16);
    if (!(bGray || bRgb) || !params.last_frame || params.pixels_per_line <= 0 || params.lines == 0 ||
        params.lines < -1 || params.bytes_per_line <= 0)
        return false;
    const uint64_t nLine = uint64_t(params.bytes_per_line);
    if (nLine < SampleBytesPerLine(params) || nLine > MAX_SCAN_BYTES)
        return false;
    const uint64_t nLines = params.lines > 0 ? uint64_t(params.lines) : 1;
    return nLine * nLines <= MAX_SCAN_BYTES &&
           DibPitch(params.pixels_per_line, DibBitCount(params)) * nLines <= MAX_SCAN_BYTES;
}

TW_HANDLE PackedDibFromScan(const SANE_Parameters& params, int nLines, const std::vector<uint8_t>& data, int nDpi)
{
    if (!IsSupportedScan(params) || nLines <= 0 || uint64_t(params.bytes_per_line) * uint64_t(nLines) > data.size())
        return nullptr;
    const int nBitCount = DibBitCount(params);
    const int nColours = nBitCount == 24 ? 0 : 1 << nBitCount;
    const uint64_t nPitch = DibPitch(params.pixels_per_line, nBitCount);
    const uint64_t nPixels = nPitch * uint64_t(nLines);
    if (nPixels > MAX_SCAN_BYTES)
        return nullptr;
    TW_HANDLE hDib = TwainMemory::Alloc(INFO_HEADER_SIZE + 4 * size_t(nColours) + size_t(nPixels));
    uint8_t* pDib = TwainMemory::Lock(hDib);
    if (!pDib)
        return nullptr;
    PutLittleEndian(pDib, INFO_HEADER_SIZE, 4);
    PutLittleEndian(pDib + 4, uint32_t(params.pixels_per_line), 4);
    PutLittleEndian(pDib + 8, uint32_t(nLines), 4); // positive: rows bottom-up
    PutLittleEndian(pDib + 12, 1, 2);
    PutLittleEndian(pDib + 14, uint32_t(nBitCount), 2);
    PutLittleEndian(pDib + 20, uint32_t(nPixels), 4);
    const uint32_t nDotsPerMeter = nDpi > 0 ? uint32_t(std::lround(nDpi / 0.0254)) : 0;
    PutLittleEndian(pDib + 24, nDotsPerMeter, 4);
    PutLittleEndian(pDib + 28, nDotsPerMeter, 4);
    PutLittleEndian(pDib + 32, uint32_t(nColours), 4);
    uint8_t* pPalette = pDib + INFO_HEADER_SIZE;
    for (int i = 0; i < nColours; ++i) {
        const uint8_t nGrey = uint8_t(i * 255 / (nColours - 1));
        pPalette[4 * i] = pPalette[4 * i + 1] = pPalette[4 * i + 2] = nGrey;
    }
    uint8_t* pRows = pPalette + 4 * nColours;
    for (int y = 0; y < nLines; ++y)
        ConvertRow(params, data.data() + size_t(y) * size_t(params.bytes_per_line),
                   pRows + size_t(nLines - 1 - y) * size_t(nPitch));
    return hDib;
}

CSaneDevice::CSaneDevice(const std::string& strName)
{
    if (sane_open(strName.c_str(), &m_hDevice) != SANE_STATUS_GOOD)
        m_hDevice = nullptr;
}

CSaneDevice::~CSaneDevice()
{
    if (!m_hDevice)
        return;
    Cancel();
    sane_close(m_hDevice);
}

int CSaneDevice::FindOption(const char* pszName, const SANE_Option_Descriptor** ppDescriptor) const
{
    SANE_Int nCount = 0;
    if (!m_hDevice || sane_control_option(m_hDevice, 0, SANE_ACTION_GET_VALUE, &nCount, nullptr) != SANE_STATUS_GOOD)
        return -1;
    for (SANE_Int i = 1; i < nCount && i < MAX_LIST; ++i) {
        const SANE_Option_Descriptor* pDescriptor = sane_get_option_descriptor(m_hDevice, i);
        if (pDescriptor && pDescriptor->name && std::strcmp(pDescriptor->name, pszName) == 0 &&
            SANE_OPTION_IS_ACTIVE(pDescriptor->cap)) {
            *ppDescriptor = pDescriptor;
            return i;
        }
    }
    return -1;
}

std::vector<std::string> CSaneDevice::Modes() const
{
    std::vector<std::string> modes;
    const SANE_Option_Descriptor* pMode = nullptr;
    if (FindOption(SANE_NAME_SCAN_MODE, &pMode) < 0 || pMode->type != SANE_TYPE_STRING ||
        pMode->constraint_type != SANE_CONSTRAINT_STRING_LIST || !pMode->constraint.string_list)
        return modes;
    for (int i = 0; pMode->constraint.string_list[i] && i < MAX_LIST; ++i)
        modes.emplace_back(pMode->constraint.string_list[i]);
    return modes;
}

std::string CSaneDevice::Mode() const
{
    const SANE_Option_Descriptor* pMode = nullptr;
    const int nOption = FindOption(SANE_NAME_SCAN_MODE, &pMode);
    if (nOption < 0 || pMode->type != SANE_TYPE_STRING || pMode->size <= 0 || pMode->size > MAX_STRING_OPTION)
        return {};
    std::vector<char> value(size_t(pMode->size) + 1, '\0');
    if (sane_control_option(m_hDevice, nOption, SANE_ACTION_GET_VALUE, value.data(), nullptr) != SANE_STATUS_GOOD)
        return {};
    return std::string(value.data());
}

bool CSaneDevice::SetMode(const std::string& strMode)
{
    const SANE_Option_Descriptor* pMode = nullptr;
    const int nOption = FindOption(SANE_NAME_SCAN_MODE, &pMode);
    if (nOption < 0 || pMode->type != SANE_TYPE_STRING || pMode->size <= 0 || pMode->size > MAX_STRING_OPTION ||
        strMode.size() >= size_t(pMode->size))
        return false;
    std::vector<char> value(size_t(pMode->size), '\0');
    std::memcpy(value.data(), strMode.data(), strMode.size());
    return sane_control_option(m_hDevice, nOption, SANE_ACTION_SET_VALUE, value.data(), nullptr) == SANE_STATUS_GOOD;
}

namespace {
// Resolutions are whole dots per inch, given as integers or fixed-point numbers.
int DpiFromWord(const SANE_Option_Descriptor* pOption, SANE_Word nWord)
{
    return pOption->type == SANE_TYPE_FIXED ? int(SANE_UNFIX(nWord) + 0.5) : int(nWord);
}

bool IsResolutionOption(const SANE_Option_Descriptor* pOption)
{
    return (pOption->type == SANE_TYPE_INT || pOption->type == SANE_TYPE_FIXED) && pOption->size == sizeof(SANE_Word);
}
} // namespace

std::vector<int> CSaneDevice::ResolutionList() const
{
    std::vector<int> list;
    const SANE_Option_Descriptor* pOption = nullptr;
    if (FindOption(SANE_NAME_SCAN_RESOLUTION, &pOption) < 0 || !IsResolutionOption(pOption) ||
        pOption->constraint_type != SANE_CONSTRAINT_WORD_LIST || !pOption->constraint.word_list)
        return list;
    const SANE_Word* pWords = pOption->constraint.word_list;
    for (SANE_Word i = 1; i <= pWords[0] && i <= MAX_LIST; ++i)
        list.push_back(DpiFromWord(pOption, pWords[i]));
    return list;
}

bool CSaneDevice::ResolutionRange(int& nMin, int& nMax) const
{
    const SANE_Option_Descriptor* pOption = nullptr;
    if (FindOption(SANE_NAME_SCAN_RESOLUTION, &pOption) < 0 || !IsResolutionOption(pOption) ||
        pOption->constraint_type != SANE_CONSTRAINT_RANGE || !pOption->constraint.range)
        return false;
    nMin = DpiFromWord(pOption, pOption->constraint.range->min);
    nMax = DpiFromWord(pOption, pOption->constraint.range->max);
    return nMin <= nMax;
}

int CSaneDevice::Resolution() const
{
    const SANE_Option_Descriptor* pOption = nullptr;
    const int nOption = FindOption(SANE_NAME_SCAN_RESOLUTION, &pOption);
    SANE_Word nWord = 0;
    if (nOption < 0 || !IsResolutionOption(pOption) ||
        sane_control_option(m_hDevice, nOption, SANE_ACTION_GET_VALUE, &nWord, nullptr) != SANE_STATUS_GOOD)
        return 0;
    return DpiFromWord(pOption, nWord);
}

bool CSaneDevice::SetResolution(int nDpi)
{
    const SANE_Option_Descriptor* pOption = nullptr;
    const int nOption = FindOption(SANE_NAME_SCAN_RESOLUTION, &pOption);
    if (nOption < 0 || !IsResolutionOption(pOption))
        return false;
    SANE_Word nWord = pOption->type == SANE_TYPE_FIXED ? SANE_FIX(nDpi) : nDpi;
    return sane_control_option(m_hDevice, nOption, SANE_ACTION_SET_VALUE, &nWord, nullptr) == SANE_STATUS_GOOD;
}

bool CSaneDevice::Start(TW_IMAGEINFO& info)
{
    if (!m_hDevice)
        return false;
    Cancel();
    // Devices refuse to report their options while they scan.
    m_nDpi = Resolution();
    if (sane_start(m_hDevice) != SANE_STATUS_GOOD)
        return false;
    m_bStarted = true;
    if (sane_get_parameters(m_hDevice, &m_params) != SANE_STATUS_GOOD || !IsSupportedScan(m_params)) {
        Cancel();
        return false;
    }
    const int nBitCount = DibBitCount(m_params);
    info = TW_IMAGEINFO{};
    info.XResolution.Whole = info.YResolution.Whole = TW_INT16(m_nDpi);
    info.ImageWidth = m_params.pixels_per_line;
    info.ImageLength = m_params.lines;
    info.SamplesPerPixel = nBitCount == 24 ? 3 : 1;
    for (int i = 0; i < info.SamplesPerPixel; ++i)
        info.BitsPerSample[i] = TW_INT16(nBitCount == 1 ? 1 : 8);
    info.BitsPerPixel = TW_INT16(nBitCount);
    info.PixelType = nBitCount == 24 ? TWPT_RGB : nBitCount == 8 ? TWPT_GRAY : TWPT_BW;
    return true;
}

TW_HANDLE CSaneDevice::ReadImage()
{
    if (!m_bStarted)
        return nullptr;
    // A known height is read exactly; an unknown one (hand scanners) until the device ends it.
    const uint64_t nLine = uint64_t(m_params.bytes_per_line);
    const uint64_t nExpected = m_params.lines > 0 ? nLine * uint64_t(m_params.lines) : MAX_SCAN_BYTES / nLine * nLine;
    std::vector<uint8_t> data;
    data.reserve(m_params.lines > 0 ? size_t(nExpected) : READ_CHUNK);
    std::vector<uint8_t> chunk(READ_CHUNK);
    SANE_Status status = SANE_STATUS_GOOD;
    int nEmptyReads = 0;
    while (data.size() < nExpected) {
        SANE_Int nRead = 0;
        const SANE_Int nWanted = SANE_Int(std::min<uint64_t>(READ_CHUNK, nExpected - data.size()));
        status = sane_read(m_hDevice, chunk.data(), nWanted, &nRead);
        if (status != SANE_STATUS_GOOD)
            break;
        nEmptyReads = nRead == 0 ? nEmptyReads + 1 : 0;
        if (nRead < 0 || nRead > nWanted || nEmptyReads > MAX_EMPTY_READS) {
            status = SANE_STATUS_IO_ERROR;
            break;
        }
        data.insert(data.end(), chunk.begin(), chunk.begin() + nRead);
    }
    Cancel();
    const bool bEnded = status == SANE_STATUS_GOOD || status == SANE_STATUS_EOF;
    const int nLines = m_params.lines > 0 ? m_params.lines : int(data.size() / nLine);
    if (!bEnded || uint64_t(nLines) * nLine > data.size())
        return nullptr;
    return PackedDibFromScan(m_params, nLines, data, m_nDpi);
}

void CSaneDevice::Cancel()
{
    if (m_bStarted && m_hDevice)
        sane_cancel(m_hDevice);
    m_bStarted = false;
}
