#pragma once
// One SANE device as a TWAIN data source sees it: its scan mode and resolution, and a scan that
// ends as a packed device-independent bitmap. Everything the device reports is checked before use.
#include "tools/TwainProtocol.h"

#include <sane/sane.h>
#include <string>
#include <vector>

struct SSaneDeviceInfo {
    std::string strName;
    std::string strVendor;
    std::string strModel;
};

// The devices SANE knows now.
std::vector<SSaneDeviceInfo> ListSaneDevices();

// Gray 1/8/16-bit and RGB 8/16-bit frames of sane sizes; an image too large is refused.
bool IsSupportedScan(const SANE_Parameters& params);
// The packed DIB of a scan's raw data: 1-bit (black and white), 8-bit grey or 24-bit colour, rows
// bottom-up, nDpi in the header when it is known (above 0). nLines rows of params.bytes_per_line bytes
// must be in data. Null when it cannot be made.
TW_HANDLE PackedDibFromScan(const SANE_Parameters& params, int nLines, const std::vector<uint8_t>& data, int nDpi);

class CSaneDevice {
public:
    // Opens the named device; IsOpen tells whether that worked.
    explicit CSaneDevice(const std::string& strName);
    ~CSaneDevice();
    CSaneDevice(const CSaneDevice&) = delete;
    CSaneDevice& operator=(const CSaneDevice&) = delete;

    bool IsOpen() const { return m_hDevice != nullptr; }

    // The modes the device offers and the one set; resolutions offered as a list, or a range.
    std::vector<std::string> Modes() const;
    std::string Mode() const;
    bool SetMode(const std::string& strMode);
    std::vector<int> ResolutionList() const;
    bool ResolutionRange(int& nMin, int& nMax) const;
    int Resolution() const;
    bool SetResolution(int nDpi);

    // Starts a scan and describes the image it will give; false when the device cannot.
    bool Start(TW_IMAGEINFO& info);
    // Reads the started scan into a packed DIB; null when the device fails or sends too little.
    TW_HANDLE ReadImage();
    // Ends a started scan.
    void Cancel();

private:
    // Index of the named option, or -1; its descriptor through pDescriptor.
    int FindOption(const char* pszName, const SANE_Option_Descriptor** ppDescriptor) const;

    SANE_Handle m_hDevice = nullptr;
    bool m_bStarted = false;
    SANE_Parameters m_params{};
    int m_nDpi = 0; // of the scan started
};
