// A scripted TWAIN source manager with one source, built as libtwaindsm.so so that the program
// finds it as the platform's manager. FAKE_TWAIN_SCRIPT picks its behaviour (comma-separated:
// checkstatus, pending=N, infofail, xferfail, badblock, nullhandle, noui); every call it takes is
// appended to the file FAKE_TWAIN_LOG, and so is its unloading.
#include "tools/TwainProtocol.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <cstdio>
#include <deque>

namespace {
QEvent::Type g_nEventType = QEvent::None;
std::deque<TW_UINT16> g_messages;
TW_UINT16 g_nCondition = TWCC_SUCCESS;
int g_nPending = 0;

void Log(const QByteArray& line)
{
    if (FILE* pFile = std::fopen(qgetenv("FAKE_TWAIN_LOG").constData(), "a")) {
        std::fprintf(pFile, "%s\n", line.constData());
        std::fclose(pFile);
    }
}

QByteArray Script(const char* pszWord)
{
    for (const QByteArray& word : qgetenv("FAKE_TWAIN_SCRIPT").split(','))
        if (word.startsWith(pszWord))
            return word;
    return {};
}

int PendingImages()
{
    const QByteArray word = Script("pending=");
    return word.isEmpty() ? 1 : word.mid(8).toInt();
}

TW_UINT16 Fail(TW_UINT16 nCondition)
{
    g_nCondition = nCondition;
    return TWRC_FAILURE;
}

// A 6 x 4 8-bit packed DIB with a grey palette; bDamaged claims far more rows than the block holds.
TW_HANDLE MakeDib(bool bDamaged)
{
    const int nWidth = 6, nHeight = 4, nPitch = 8;
    TW_HANDLE hDib = TwainMemory::Alloc(40 + 1024 + nPitch * nHeight);
    uint8_t* p = TwainMemory::Lock(hDib);
    const int32_t header[] = {40, nWidth, bDamaged ? 100000 : nHeight};
    std::memcpy(p, header, sizeof(header));
    p[12] = 1;
    p[14] = 8;
    for (int i = 0; i < 256; ++i)
        p[40 + 4 * i] = p[41 + 4 * i] = p[42 + 4 * i] = uint8_t(i);
    for (int i = 0; i < nPitch * nHeight; ++i)
        p[40 + 1024 + i] = uint8_t(i * 9);
    return hDib;
}

TW_UINT16 Capability(TW_UINT16 nMessage, TW_CAPABILITY* pCap)
{
    if (nMessage == MSG_GET) {
        Log("GET XFERCOUNT");
        pCap->ConType = TWON_ONEVALUE;
        pCap->hContainer = TwainMemory::Alloc(sizeof(TW_ONEVALUE));
        auto* pValue = reinterpret_cast<TW_ONEVALUE*>(TwainMemory::Lock(pCap->hContainer));
        pValue->ItemType = TWTY_INT16;
        pValue->Item = 7;
        return TWRC_SUCCESS;
    }
    const auto* pValue = reinterpret_cast<const TW_ONEVALUE*>(TwainMemory::Lock(pCap->hContainer));
    if (!pValue || TwainMemory::Size(pCap->hContainer) != 6)
        return Fail(TWCC_BADVALUE);
    Log("SET XFERCOUNT type=" + QByteArray::number(pValue->ItemType) + " item=" + QByteArray::number(pValue->Item));
    if (!Script("checkstatus").isEmpty() && pValue->ItemType == TWTY_INT16) {
        g_nCondition = TWCC_BADVALUE;
        return TWRC_CHECKSTATUS;
    }
    return TWRC_SUCCESS;
}

TW_UINT16 Source(TW_UINT32 nGroup, TW_UINT16 nData, TW_UINT16 nMessage, TW_MEMREF pData)
{
    if (nGroup == DG_IMAGE && nData == DAT_IMAGEINFO) {
        Log("IMAGEINFO");
        if (!Script("infofail").isEmpty())
            return Fail(TWCC_OPERATIONERROR);
        auto* pInfo = static_cast<TW_IMAGEINFO*>(pData);
        pInfo->ImageWidth = 6;
        pInfo->ImageLength = 4;
        pInfo->BitsPerPixel = 8;
        return TWRC_SUCCESS;
    }
    if (nGroup == DG_IMAGE && nData == DAT_IMAGENATIVEXFER) {
        Log("NATIVEXFER");
        if (!Script("xferfail").isEmpty())
            return Fail(TWCC_OPERATIONERROR);
        *static_cast<TW_HANDLE*>(pData) =
            Script("nullhandle").isEmpty() ? MakeDib(!Script("badblock").isEmpty()) : nullptr;
        return TWRC_XFERDONE;
    }
    switch (nData) {
    case DAT_STATUS: static_cast<TW_STATUS*>(pData)->ConditionCode = g_nCondition; return TWRC_SUCCESS;
    case DAT_CAPABILITY: return Capability(nMessage, static_cast<TW_CAPABILITY*>(pData));
    case DAT_EVENT: {
        auto* pEvent = static_cast<TW_EVENT*>(pData);
        if (static_cast<QEvent*>(pEvent->pEvent)->type() != g_nEventType || g_messages.empty())
            return TWRC_NOTDSEVENT;
        pEvent->TWMessage = g_messages.front();
        g_messages.pop_front();
        return TWRC_DSEVENT;
    }
    case DAT_USERINTERFACE: {
        auto* pUi = static_cast<TW_USERINTERFACE*>(pData);
        Log(nMessage == MSG_ENABLEDS ? "ENABLEDS showui=" + QByteArray::number(pUi->ShowUI) : "DISABLEDS");
        if (nMessage == MSG_ENABLEDS && Script("noui").isEmpty()) {
            g_nPending = PendingImages();
            g_messages.push_back(MSG_XFERREADY);
            QCoreApplication::postEvent(static_cast<QObject*>(pUi->hParent), new QEvent(g_nEventType));
        }
        return TWRC_SUCCESS;
    }
    case DAT_PENDINGXFERS: {
        auto* pPending = static_cast<TW_PENDINGXFERS*>(pData);
        Log(nMessage == MSG_ENDXFER ? "ENDXFER" : "RESET");
        g_nPending = nMessage == MSG_ENDXFER ? g_nPending - 1 : 0;
        pPending->Count = TW_UINT16(std::max(g_nPending, 0));
        return TWRC_SUCCESS;
    }
    default: return Fail(TWCC_BADPROTOCOL);
    }
}

__attribute__((destructor)) void Unloaded()
{
    Log("UNLOADED");
}
} // namespace

extern "C" __attribute__((visibility("default"))) TW_UINT16 DSM_Entry(TW_IDENTITY* pOrigin, TW_IDENTITY* pDest,
                                                                      TW_UINT32 nGroup, TW_UINT16 nData,
                                                                      TW_UINT16 nMessage, TW_MEMREF pData)
{
    if (pDest)
        return Source(nGroup, nData, nMessage, pData);
    auto* pIdentity = static_cast<TW_IDENTITY*>(pData);
    switch (nMessage) {
    case MSG_OPENDSM:
        if (g_nEventType == QEvent::None)
            g_nEventType = QEvent::Type(QEvent::registerEventType());
        Log(QByteArray("OPENDSM ") + pOrigin->Manufacturer + "|" + pOrigin->ProductFamily + "|" + pOrigin->ProductName +
            "|" + pOrigin->Version.Info + " " + QByteArray::number(pOrigin->Version.MajorNum) + "." +
            QByteArray::number(pOrigin->Version.MinorNum) + " lang=" + QByteArray::number(pOrigin->Version.Language) +
            " country=" + QByteArray::number(pOrigin->Version.Country) +
            " protocol=" + QByteArray::number(pOrigin->ProtocolMajor) + "." +
            QByteArray::number(pOrigin->ProtocolMinor) + " groups=" + QByteArray::number(pOrigin->SupportedGroups));
        return TWRC_SUCCESS;
    case MSG_CLOSEDSM: Log("CLOSEDSM"); return Script("closedsmfail").isEmpty() ? TWRC_SUCCESS : Fail(TWCC_SEQERROR);
    case MSG_GETDEFAULT:
        Log("GETDEFAULT");
        *pIdentity = TW_IDENTITY{};
        std::strcpy(pIdentity->ProductName, "Fake Source");
        return TWRC_SUCCESS;
    case MSG_USERSELECT:
        Log(QByteArray("USERSELECT ") + pIdentity->ProductName);
        std::strcpy(pIdentity->ProductName, "Chosen Source");
        return TWRC_SUCCESS;
    case MSG_OPENDS:
        Log(QByteArray("OPENDS ") + pIdentity->ProductName);
        pIdentity->Id = 2;
        return TWRC_SUCCESS;
    case MSG_CLOSEDS: Log("CLOSEDS"); return TWRC_SUCCESS;
    default: return Fail(TWCC_BADPROTOCOL);
    }
}
