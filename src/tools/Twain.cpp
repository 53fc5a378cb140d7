#include "tools/Twain.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <dlfcn.h>

namespace {
void CopyString(TW_STR32& target, const char* pszText)
{
    std::strncpy(target, pszText, sizeof(TW_STR32) - 1);
}

// The platform's source manager first, then the program's own: beside the program, or where the
// build put it.
QStringList SourceManagerLibraries()
{
    return {QStringLiteral("libtwaindsm.so"),
            QCoreApplication::applicationDirPath() + QStringLiteral("/liblumivo_twaindsm.so"),
            QStringLiteral(LUMIVO_TWAINDSM_PATH)};
}
} // namespace

CTwain::CTwain() = default;

CTwain::~CTwain()
{
    UnloadSourceManager();
}

void CTwain::FillIdentity(TW_IDENTITY& identity)
{
    identity = TW_IDENTITY{};
    identity.Version.MajorNum = 3;
    identity.Version.MinorNum = 5;
    identity.Version.Language = TWLG_USA;
    identity.Version.Country = TWCY_USA;
    CopyString(identity.Version.Info, "3.5");
    identity.ProtocolMajor = 1;
    identity.ProtocolMinor = 8;
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    CopyString(identity.Manufacturer, "QORVA");
    CopyString(identity.ProductFamily, "Generic");
    CopyString(identity.ProductName, "Twain Test");
}

bool CTwain::LoadSourceManager(QWidget* pParent)
{
    if (m_hTwainDLL)
        return true;
    m_AppId = TW_IDENTITY{};
    if (!pParent || !pParent->isWindow())
        return false;
    m_hMessageWnd = pParent;
    for (const QString& strLibrary : SourceManagerLibraries()) {
        m_hTwainDLL = dlopen(strLibrary.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
        if (m_hTwainDLL)
            break;
    }
    if (!m_hTwainDLL)
        return false;
    m_pDSMProc = reinterpret_cast<DSMENTRYPROC>(dlsym(m_hTwainDLL, "DSM_Entry"));
    if (!m_pDSMProc) {
        dlclose(m_hTwainDLL);
        m_hTwainDLL = nullptr;
        return false;
    }
    FillIdentity(m_AppId);
    m_bDSMOpen = CallTwainProc(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &m_hMessageWnd);
    return true;
}

void CTwain::UnloadSourceManager()
{
    if (!m_hTwainDLL)
        return;
    // A manager that will not close may still have windows up whose code is in its library: it is left
    // loaded rather than pulled out from under them.
    if (CloseSourceManager())
        dlclose(m_hTwainDLL);
    m_hTwainDLL = nullptr;
    m_pDSMProc = nullptr;
}

bool CTwain::CloseSourceManager()
{
    if (!m_bDSMOpen)
        return true;
    CloseDataSource();
    const bool bClosed = CallTwainProc(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &m_hMessageWnd);
    m_bDSMOpen = 0;
    return bClosed;
}

bool CTwain::CallTwainProc(TW_IDENTITY* pDest, TW_UINT32 nGroup, TW_UINT16 nData, TW_UINT16 nMessage, TW_MEMREF pData)
{
    if (!m_hTwainDLL || !m_pDSMProc) {
        m_returnCode = TWRC_FAILURE;
        return false;
    }
    m_returnCode = m_pDSMProc(&m_AppId, pDest, nGroup, nData, nMessage, pData);
    if (m_returnCode != TWRC_SUCCESS)
        m_pDSMProc(&m_AppId, pDest, DG_CONTROL, DAT_STATUS, MSG_GET, &m_Status);
    return m_returnCode == TWRC_SUCCESS;
}

bool CTwain::ChooseSource()
{
    // The identity is the open source's until it closes: clearing it now would cut the program off from
    // that source, which could then be neither used nor closed. The choice waits until then.
    if (m_bDSOpen)
        return m_bSourceSelected != 0;
    m_Source = TW_IDENTITY{};
    if (!m_bSourceSelected && CallTwainProc(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &m_Source))
        m_bSourceSelected = 1;
    if (CallTwainProc(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &m_Source))
        m_bSourceSelected = 1;
    return m_bSourceSelected != 0;
}

bool CTwain::OpenDataSource(const TW_IDENTITY* pIdentity)
{
    if (m_bDSOpen)
        return true;
    if (pIdentity) {
        m_Source = *pIdentity;
        m_bSourceSelected = 1; // the given source, not the default, is the one to open
    }
    if (m_bDSMOpen) {
        if (!m_bSourceSelected && CallTwainProc(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &m_Source))
            m_bSourceSelected = 1;
        m_bDSOpen = CallTwainProc(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &m_Source);
    }
    return m_bDSOpen != 0;
}

void CTwain::CloseDataSource()
{
    if (!m_bDSOpen)
        return;
    DisableDataSource();
    CallTwainProc(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &m_Source);
    m_bDSOpen = 0;
    m_bSourceEnabled = 0; // a closed source is no longer enabled, even when disabling it failed
}

bool CTwain::EnableDataSource(bool bShowUI)
{
    if (!m_bDSOpen || m_bSourceEnabled)
        return false;
    TW_USERINTERFACE ui{TW_BOOL(bShowUI), 0, m_hMessageWnd};
    if (CallTwainProc(&m_Source, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui)) {
        m_bSourceEnabled = 1;
        m_bModalUI = ui.ModalUI;
        return true;
    }
    m_bSourceEnabled = 0;
    m_bModalUI = 1;
    return false;
}

bool CTwain::DisableDataSource()
{
    if (!m_bSourceEnabled)
        return false;
    TW_USERINTERFACE ui{0, 0, m_hMessageWnd};
    if (!CallTwainProc(&m_Source, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui))
        return false;
    m_bSourceEnabled = 0;
    return true;
}

bool CTwain::MayCloseSource()
{
    return true;
}

int CTwain::ApproveTransfer(const TW_IMAGEINFO&)
{
    return 0;
}

bool CTwain::SetCapability(TW_UINT16 nCap, TW_UINT16 nItemType, TW_UINT32 nItem)
{
    TW_CAPABILITY cap{nCap, TWON_ONEVALUE, TwainMemory::Alloc(sizeof(TW_ONEVALUE))};
    if (!cap.hContainer)
        return false;
    auto* pValue = reinterpret_cast<TW_ONEVALUE*>(TwainMemory::Lock(cap.hContainer));
    pValue->ItemType = nItemType;
    pValue->Item = nItem;
    const bool bDone = CallTwainProc(&m_Source, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap);
    TwainMemory::Free(cap.hContainer);
    return bDone;
}

bool CTwain::SetTransferCount(int nCount)
{
    if (SetCapability(CAP_XFERCOUNT, TWTY_INT16, TW_UINT32(nCount))) {
        m_nImageCount = nCount;
        return true;
    }
    if (m_returnCode != TWRC_CHECKSTATUS)
        return false;
    // The source wants its own kind of value: write its current count back as an unsigned one.
    TW_CAPABILITY cap{CAP_XFERCOUNT, TWON_DONTCARE16, nullptr};
    if (!CallTwainProc(&m_Source, DG_CONTROL, DAT_CAPABILITY, MSG_GET, &cap))
        return false;
    const bool bOneValue = cap.ConType == TWON_ONEVALUE && TwainMemory::Size(cap.hContainer) >= sizeof(TW_ONEVALUE);
    const TW_UINT16 nValue =
        bOneValue ? TW_UINT16(reinterpret_cast<const TW_ONEVALUE*>(TwainMemory::Lock(cap.hContainer))->Item) : 0;
    TwainMemory::Free(cap.hContainer);
    if (!bOneValue || !SetCapability(CAP_XFERCOUNT, TWTY_UINT16, nValue))
        return false;
    m_nImageCount = nValue;
    return true;
}

bool CTwain::AcquireImages(int nCount)
{
    if (!m_bDSOpen && !OpenDataSource())
        return false;
    return SetTransferCount(nCount) && EnableDataSource(true);
}

bool CTwain::FilterMessage(QEvent* pMessage)
{
    if (!m_bSourceEnabled || !m_pDSMProc)
        return false;
    TW_EVENT event{pMessage, MSG_NULL};
    m_returnCode = m_pDSMProc(&m_AppId, &m_Source, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
    const bool bSourceEvent = m_returnCode == TWRC_DSEVENT;
    switch (event.TWMessage) {
    case MSG_XFERREADY: TransferImages(); break;
    case MSG_CLOSEDSREQ:
        if (MayCloseSource())
            CloseDataSource();
        break;
    default: break;
    }
    return bSourceEvent;
}

void CTwain::TransferImages()
{
    bool bContinue = true;
    while (bContinue && m_bSourceEnabled) {
        TW_IMAGEINFO info{};
        // A source that cannot describe its image ends the run instead of being asked again.
        if (!CallTwainProc(&m_Source, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info)) {
            ResetTransfers();
            return;
        }
        switch (ApproveTransfer(info)) {
        case 0: {
            TW_HANDLE hImage = nullptr;
            CallTwainProc(&m_Source, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &hImage);
            if (m_returnCode == TWRC_XFERDONE) {
                ReceiveImage(hImage, info);
                TwainMemory::Free(hImage);
            } else if (m_returnCode == TWRC_FAILURE) {
                ResetTransfers();
                return;
            }
            bContinue = EndTransfer();
            break;
        }
        case 1: bContinue = EndTransfer(); break;
        default: ResetTransfers(); return;
        }
    }
}

bool CTwain::EndTransfer()
{
    TW_PENDINGXFERS pending{};
    CallTwainProc(&m_Source, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    return pending.Count != 0;
}

void CTwain::ResetTransfers()
{
    TW_PENDINGXFERS pending{};
    CallTwainProc(&m_Source, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
}
