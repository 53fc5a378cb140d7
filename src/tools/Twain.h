#pragma once
// The connection to a TWAIN source manager and the one data source the program uses: loading the
// manager at run time, choosing, opening, enabling and closing the source, and receiving images
// through the application's event stream. The states of the protocol map onto the flags: library
// loaded (2), manager open (3), source open (4), source enabled (5); 6 and 7 only inside a transfer run.
#include "tools/TwainProtocol.h"

class QEvent;
class QWidget;

class CTwain {
public:
    CTwain();
    virtual ~CTwain();
    CTwain(const CTwain&) = delete;
    CTwain& operator=(const CTwain&) = delete;

    // Fills the identity this program presents to the manager.
    virtual void FillIdentity(TW_IDENTITY& identity);
    // The manager's selection dialog, preset to the default source; true while a source is known.
    virtual bool ChooseSource();
    // Opens the given source, or the chosen (else the default) one; true while a source is open.
    virtual bool OpenDataSource(const TW_IDENTITY* pIdentity = nullptr);
    // 0 transfers the image, 1 skips it, 2 cancels all pending images.
    virtual int ApproveTransfer(const TW_IMAGEINFO& info);
    virtual bool DisableDataSource();
    virtual bool MayCloseSource();
    // A transferred image: a packed device-independent bitmap (or null); the caller frees it.
    virtual void ReceiveImage(TW_HANDLE hImage, const TW_IMAGEINFO& info) = 0;

    // Loads the platform's source manager, else the program's own, and opens it for pParent.
    bool LoadSourceManager(QWidget* pParent);
    void UnloadSourceManager();
    bool EnableDataSource(bool bShowUI);
    bool SetTransferCount(int nCount);
    // Opens the source when needed, asks it for nCount images and enables it.
    bool AcquireImages(int nCount = 1);
    // Offers an application event to the enabled source; true when it was the source's own.
    bool FilterMessage(QEvent* pMessage);

    bool IsSourceManagerLoaded() const { return m_hTwainDLL != nullptr; }
    bool IsSourceManagerOpen() const { return m_bDSMOpen != 0; }
    bool IsSourceOpen() const { return m_bDSOpen != 0; }
    bool IsSourceEnabled() const { return m_bSourceEnabled != 0; }
    TW_UINT16 GetReturnCode() const { return m_returnCode; }
    TW_UINT16 GetConditionCode() const { return m_Status.ConditionCode; }
    int GetImageCount() const { return m_nImageCount; }
    const TW_IDENTITY& GetSourceIdentity() const { return m_Source; }

protected:
    bool CloseSourceManager(); // false when the manager refused to close
    void CloseDataSource();
    // A call through the entry point; on anything but success the source's status is fetched.
    bool CallTwainProc(TW_IDENTITY* pDest, TW_UINT32 nGroup, TW_UINT16 nData, TW_UINT16 nMessage, TW_MEMREF pData);
    // Sets the transfer count as a one-value container of the given item type.
    bool SetCapability(TW_UINT16 nCap, TW_UINT16 nItemType, TW_UINT32 nItem);
    void TransferImages();
    // Ends the current transfer; true while more images are pending.
    bool EndTransfer();
    void ResetTransfers();

    void* m_hTwainDLL = nullptr;
    DSMENTRYPROC m_pDSMProc = nullptr;
    TW_IDENTITY m_AppId{};
    TW_IDENTITY m_Source{};
    TW_STATUS m_Status{};
    TW_UINT16 m_returnCode = TWRC_FAILURE;
    QWidget* m_hMessageWnd = nullptr;
    int m_bSourceSelected = 0;
    int m_bDSMOpen = 0;
    int m_bDSOpen = 0;
    int m_bSourceEnabled = 0;
    int m_bModalUI = 1;
    int m_nImageCount = 1;
};
