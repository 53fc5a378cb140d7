// A TWAIN 1.x source manager whose data sources are SANE's devices. It runs inside the
// application's process: a source's events are Qt events posted to the application's window, and
// the application hands them back through DAT_EVENT / MSG_PROCESSEVENT. One source is open at a time.
#include "tools/TwainProtocol.h"
#include "tools/sanedsm/SaneDevice.h"
#include "tools/sanedsm/SourceDialogs.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <deque>
#include <memory>

namespace {
constexpr TW_UINT32 APPLICATION_ID = 1;

struct SSource {
    TW_IDENTITY identity{};
    SSaneDeviceInfo info;
    std::unique_ptr<CSaneDevice> pDevice;
    QDialog* pDialog = nullptr; // deleted by the source, never left to the event loop
    QPointer<QWidget> pParent;
    int nState = 4;        // 4 open, 5 enabled, 6 transfer ready, 7 transferring
    bool bStarted = false; // the device has started the pending image
    TW_IMAGEINFO imageInfo{};
    TW_INT16 nTransferCount = -1;
    TW_UINT16 nCondition = TWCC_SUCCESS;
    std::deque<TW_UINT16> messages; // posted to the application, not yet handed back
};

struct SManager {
    bool bOpen = false;
    QPointer<QWidget> pParent;
    TW_UINT16 nCondition = TWCC_SUCCESS;
    TW_UINT32 nNextId = APPLICATION_ID + 1;
    QEvent::Type nEventType = QEvent::None;
    std::vector<SSaneDeviceInfo> devices;
    size_t nNextDevice = 0; // for MSG_GETNEXT
    std::unique_ptr<SSource> pSource;
};
SManager g_manager;

TW_UINT16 Fail(TW_UINT16& nCondition, TW_UINT16 nCode)
{
    nCondition = nCode;
    return TWRC_FAILURE;
}

void CopyString(TW_STR32& target, const std::string& strText)
{
    std::memset(target, 0, sizeof(TW_STR32));
    std::memcpy(target, strText.data(), std::min(strText.size(), sizeof(TW_STR32) - 1));
}

TW_IDENTITY IdentityOf(const SSaneDeviceInfo& info)
{
    TW_IDENTITY identity{};
    identity.Version.MajorNum = 1;
    identity.Version.Language = TWLG_USA;
    identity.Version.Country = TWCY_USA;
    CopyString(identity.Version.Info, "SANE");
    identity.ProtocolMajor = 1;
    identity.ProtocolMinor = 9;
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    CopyString(identity.Manufacturer, info.strVendor);
    CopyString(identity.ProductFamily, info.strModel);
    CopyString(identity.ProductName, info.strName);
    return identity;
}

// The device an identity names (an empty name is the default, the first), or -1.
int FindDevice(const TW_IDENTITY& identity)
{
    const std::string strName(identity.ProductName, strnlen(identity.ProductName, sizeof(TW_STR32)));
    if (strName.empty())
        return g_manager.devices.empty() ? -1 : 0;
    for (size_t i = 0; i < g_manager.devices.size(); ++i)
        if (g_manager.devices[i].strName.compare(0, sizeof(TW_STR32) - 1, strName) == 0)
            return int(i);
    return -1;
}

// Queues a message for the application and wakes it with an event to its window.
void PostToApplication(SSource& source, TW_UINT16 nMessage)
{
    source.messages.push_back(nMessage);
    QObject* pTarget = source.pParent ? static_cast<QObject*>(source.pParent.data()) : QCoreApplication::instance();
    if (pTarget)
        QCoreApplication::postEvent(pTarget, new QEvent(g_manager.nEventType));
}

void EndPendingImage(SSource& source)
{
    if (source.pDevice)
        source.pDevice->Cancel();
    source.bStarted = false;
    source.nState = 5;
}

void CloseDialog(SSource& source)
{
    if (source.pDialog)
        QObject::disconnect(source.pDialog, nullptr, nullptr, nullptr); // closing it asks for nothing
    delete source.pDialog;
    source.pDialog = nullptr;
}

// --- the manager's own operations ---

TW_UINT16 ManagerParent(TW_IDENTITY* pOrigin, TW_UINT16 nMessage, TW_MEMREF pData)
{
    if (nMessage == MSG_OPENDSM) {
        if (g_manager.bOpen)
            return Fail(g_manager.nCondition, TWCC_SEQERROR);
        if (sane_init(nullptr, nullptr) != SANE_STATUS_GOOD)
            return Fail(g_manager.nCondition, TWCC_BUMMER);
        g_manager.pParent = pData ? *static_cast<QWidget**>(pData) : nullptr;
        if (g_manager.nEventType == QEvent::None)
            g_manager.nEventType = QEvent::Type(QEvent::registerEventType());
        pOrigin->Id = APPLICATION_ID;
        g_manager.bOpen = true;
        return TWRC_SUCCESS;
    }
    if (nMessage == MSG_CLOSEDSM) {
        if (!g_manager.bOpen || g_manager.pSource)
            return Fail(g_manager.nCondition, TWCC_SEQERROR);
        g_manager.devices.clear();
        sane_exit();
        g_manager.bOpen = false;
        return TWRC_SUCCESS;
    }
    return Fail(g_manager.nCondition, TWCC_BADPROTOCOL);
}

TW_UINT16 OpenSource(TW_IDENTITY& identity)
{
    if (g_manager.pSource)
        return Fail(g_manager.nCondition, TWCC_MAXCONNECTIONS);
    g_manager.devices = ListSaneDevices();
    const int nDevice = FindDevice(identity);
    if (nDevice < 0)
        return Fail(g_manager.nCondition, TWCC_NODS);
    auto pSource = std::make_unique<SSource>();
    pSource->info = g_manager.devices[size_t(nDevice)];
    pSource->pDevice = std::make_unique<CSaneDevice>(pSource->info.strName);
    if (!pSource->pDevice->IsOpen())
        return Fail(g_manager.nCondition, TWCC_OPERATIONERROR);
    pSource->identity = IdentityOf(pSource->info);
    pSource->identity.Id = g_manager.nNextId++;
    identity = pSource->identity;
    g_manager.pSource = std::move(pSource);
    return TWRC_SUCCESS;
}

TW_UINT16 CloseSource(const TW_IDENTITY& identity)
{
    SSource* pSource = g_manager.pSource.get();
    if (!pSource || pSource->identity.Id != identity.Id)
        return Fail(g_manager.nCondition, TWCC_NODS);
    CloseDialog(*pSource);
    if (g_manager.nEventType != QEvent::None)
        QCoreApplication::removePostedEvents(nullptr, g_manager.nEventType);
    g_manager.pSource.reset();
    return TWRC_SUCCESS;
}

TW_UINT16 ManagerIdentity(TW_UINT16 nMessage, TW_IDENTITY* pIdentity)
{
    if (!pIdentity)
        return Fail(g_manager.nCondition, TWCC_BADVALUE);
    switch (nMessage) {
    case MSG_GETDEFAULT:
    case MSG_GETFIRST:
        g_manager.devices = ListSaneDevices();
        g_manager.nNextDevice = 0;
        [[fallthrough]];
    case MSG_GETNEXT:
        if (g_manager.nNextDevice >= g_manager.devices.size())
            return nMessage == MSG_GETNEXT ? TW_UINT16(TWRC_ENDOFLIST) : Fail(g_manager.nCondition, TWCC_NODS);
        *pIdentity = IdentityOf(g_manager.devices[g_manager.nNextDevice++]);
        return TWRC_SUCCESS;
    case MSG_USERSELECT: {
        g_manager.devices = ListSaneDevices();
        const int nChosen =
            RunSelectSourceDialog(g_manager.devices, std::max(FindDevice(*pIdentity), 0), g_manager.pParent);
        if (nChosen < 0 || size_t(nChosen) >= g_manager.devices.size())
            return TWRC_CANCEL;
        *pIdentity = IdentityOf(g_manager.devices[size_t(nChosen)]);
        return TWRC_SUCCESS;
    }
    case MSG_OPENDS: return OpenSource(*pIdentity);
    case MSG_CLOSEDS: return CloseSource(*pIdentity);
    default: return Fail(g_manager.nCondition, TWCC_BADPROTOCOL);
    }
}

// --- a source's operations ---

TW_UINT16 SourceUserInterface(SSource& source, TW_UINT16 nMessage, TW_USERINTERFACE* pUi)
{
    if (nMessage == MSG_DISABLEDS) {
        if (source.nState != 5)
            return Fail(source.nCondition, TWCC_SEQERROR);
        CloseDialog(source);
        source.nState = 4;
        return TWRC_SUCCESS;
    }
    if (nMessage != MSG_ENABLEDS)
        return Fail(source.nCondition, TWCC_BADPROTOCOL);
    if (source.nState != 4)
        return Fail(source.nCondition, TWCC_SEQERROR);
    source.pParent = static_cast<QWidget*>(pUi->hParent);
    pUi->ModalUI = 0;
    source.nState = 5;
    if (!pUi->ShowUI) {
        PostToApplication(source, MSG_XFERREADY);
        return TWRC_SUCCESS;
    }
    SSource* pSource = &source;
    source.pDialog = CreateSourceDialog(
        *source.pDevice, source.info, source.pParent,
        [pSource] {
            if (pSource->nState == 5)
                PostToApplication(*pSource, MSG_XFERREADY);
        },
        [pSource] { PostToApplication(*pSource, MSG_CLOSEDSREQ); });
    source.pDialog->show();
    return TWRC_SUCCESS;
}

TW_UINT16 SourceCapability(SSource& source, TW_UINT16 nMessage, TW_CAPABILITY* pCap)
{
    if (pCap->Cap != CAP_XFERCOUNT)
        return Fail(source.nCondition, TWCC_BADCAP);
    if (nMessage == MSG_GET || nMessage == MSG_GETCURRENT) {
        TW_HANDLE hContainer = TwainMemory::Alloc(sizeof(TW_ONEVALUE));
        if (!hContainer)
            return Fail(source.nCondition, TWCC_LOWMEMORY);
        auto* pValue = reinterpret_cast<TW_ONEVALUE*>(TwainMemory::Lock(hContainer));
        pValue->ItemType = TWTY_INT16;
        pValue->Item = TW_UINT32(TW_UINT16(source.nTransferCount));
        pCap->ConType = TWON_ONEVALUE;
        pCap->hContainer = hContainer;
        return TWRC_SUCCESS;
    }
    if (nMessage != MSG_SET)
        return Fail(source.nCondition, TWCC_BADPROTOCOL);
    if (source.nState != 4)
        return Fail(source.nCondition, TWCC_SEQERROR);
    if (pCap->ConType != TWON_ONEVALUE || TwainMemory::Size(pCap->hContainer) < sizeof(TW_ONEVALUE))
        return Fail(source.nCondition, TWCC_BADVALUE);
    const auto* pValue = reinterpret_cast<const TW_ONEVALUE*>(TwainMemory::Lock(pCap->hContainer));
    if (pValue->ItemType != TWTY_INT16 && pValue->ItemType != TWTY_UINT16)
        return Fail(source.nCondition, TWCC_BADVALUE);
    const auto nCount = TW_INT16(pValue->Item);
    if (nCount == 0 || nCount < -1)
        return Fail(source.nCondition, TWCC_BADVALUE);
    source.nTransferCount = nCount;
    return TWRC_SUCCESS;
}

TW_UINT16 SourceEvent(SSource& source, TW_EVENT* pEvent)
{
    pEvent->TWMessage = MSG_NULL;
    const auto* pQtEvent = static_cast<const QEvent*>(pEvent->pEvent);
    if (!pQtEvent || pQtEvent->type() != g_manager.nEventType || source.messages.empty())
        return TWRC_NOTDSEVENT;
    pEvent->TWMessage = source.messages.front();
    source.messages.pop_front();
    if (pEvent->TWMessage == MSG_XFERREADY) {
        if (source.nState != 5)
            pEvent->TWMessage = MSG_NULL; // a second Scan before the first image was taken
        else
            source.nState = 6;
    }
    return TWRC_DSEVENT;
}

// Starts the device on the pending image once, however often the application asks about it.
bool StartImage(SSource& source)
{
    if (!source.bStarted)
        source.bStarted = source.pDevice->Start(source.imageInfo);
    return source.bStarted;
}

TW_UINT16 SourceImage(SSource& source, TW_UINT16 nData, TW_UINT16 nMessage, TW_MEMREF pData)
{
    if (nMessage != MSG_GET)
        return Fail(source.nCondition, TWCC_BADPROTOCOL);
    if (source.nState != 6)
        return Fail(source.nCondition, TWCC_SEQERROR);
    if (!StartImage(source))
        return Fail(source.nCondition, TWCC_OPERATIONERROR);
    if (nData == DAT_IMAGEINFO) {
        *static_cast<TW_IMAGEINFO*>(pData) = source.imageInfo;
        return TWRC_SUCCESS;
    }
    // A device that fails or vanishes while it is read gives no image; the transfer stays pending
    // until the application resets it.
    TW_HANDLE hImage = source.pDevice->ReadImage();
    source.bStarted = false;
    if (!hImage)
        return Fail(source.nCondition, TWCC_OPERATIONERROR);
    *static_cast<TW_HANDLE*>(pData) = hImage;
    source.nState = 7;
    return TWRC_XFERDONE;
}

TW_UINT16 SourcePendingTransfers(SSource& source, TW_UINT16 nMessage, TW_PENDINGXFERS* pPending)
{
    pPending->Count = 0;
    switch (nMessage) {
    case MSG_GET: pPending->Count = source.nState >= 6 ? 1 : 0; return TWRC_SUCCESS;
    case MSG_ENDXFER:
    case MSG_RESET:
        // One image per Scan: ending or resetting it leaves nothing pending.
        if (source.nState < 6 || (nMessage == MSG_RESET && source.nState != 6))
            return Fail(source.nCondition, TWCC_SEQERROR);
        EndPendingImage(source);
        return TWRC_SUCCESS;
    default: return Fail(source.nCondition, TWCC_BADPROTOCOL);
    }
}

TW_UINT16 SourceEntry(SSource& source, TW_UINT32 nGroup, TW_UINT16 nData, TW_UINT16 nMessage, TW_MEMREF pData)
{
    if (nGroup == DG_IMAGE && (nData == DAT_IMAGEINFO || nData == DAT_IMAGENATIVEXFER))
        return SourceImage(source, nData, nMessage, pData);
    if (nGroup != DG_CONTROL)
        return Fail(source.nCondition, TWCC_BADPROTOCOL);
    switch (nData) {
    case DAT_STATUS:
        static_cast<TW_STATUS*>(pData)->ConditionCode = source.nCondition;
        source.nCondition = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    case DAT_EVENT: return SourceEvent(source, static_cast<TW_EVENT*>(pData));
    case DAT_USERINTERFACE: return SourceUserInterface(source, nMessage, static_cast<TW_USERINTERFACE*>(pData));
    case DAT_CAPABILITY: return SourceCapability(source, nMessage, static_cast<TW_CAPABILITY*>(pData));
    case DAT_PENDINGXFERS: return SourcePendingTransfers(source, nMessage, static_cast<TW_PENDINGXFERS*>(pData));
    default: return Fail(source.nCondition, TWCC_BADPROTOCOL);
    }
}
} // namespace

extern "C" __attribute__((visibility("default"))) TW_UINT16 DSM_Entry(TW_IDENTITY* pOrigin, TW_IDENTITY* pDest,
                                                                      TW_UINT32 nGroup, TW_UINT16 nData,
                                                                      TW_UINT16 nMessage, TW_MEMREF pData)
{
    if (!pOrigin || (!pData && nData != DAT_NULL))
        return Fail(g_manager.nCondition, TWCC_BADVALUE);
    if (nGroup == DG_CONTROL && nData == DAT_PARENT)
        return ManagerParent(pOrigin, nMessage, pData);
    if (!g_manager.bOpen)
        return Fail(g_manager.nCondition, TWCC_SEQERROR);
    if (!pDest) {
        if (nGroup == DG_CONTROL && nData == DAT_STATUS) {
            static_cast<TW_STATUS*>(pData)->ConditionCode = g_manager.nCondition;
            g_manager.nCondition = TWCC_SUCCESS;
            return TWRC_SUCCESS;
        }
        if (nGroup == DG_CONTROL && nData == DAT_IDENTITY)
            return ManagerIdentity(nMessage, static_cast<TW_IDENTITY*>(pData));
        return Fail(g_manager.nCondition, TWCC_BADPROTOCOL);
    }
    SSource* pSource = g_manager.pSource.get();
    if (!pSource || pSource->identity.Id != pDest->Id)
        return Fail(g_manager.nCondition, TWCC_BADDEST);
    return SourceEntry(*pSource, nGroup, nData, nMessage, pData);
}
