#include "ui/HyperLink.h"

#include "framework/WinApp.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QMouseEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

namespace {

constexpr int kHoverTestMs = 100;
// Any result above the failure limit means the address was handed to a program.
constexpr int kOpened = CHyperLink::kOpenFailureLimit + 1;
// How long a click waits for the desktop's opener. An opener still running then has started a
// browser that keeps it waiting: the address has been handed over.
constexpr int kOpenerWaitMs = 5000;

struct SErrorReason {
    int nCode;
    const char* pszReason;
};
constexpr SErrorReason g_errorReasons[] = {
    {0, "The operating system is out\nof memory or resources."},
    {2, "The specified file was not found."},
    {3, "The specified path was not found."},
    {5, "The operating system denied\naccess to the specified file."},
    {8, "There was not enough memory to complete the operation."},
    {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
    {26, "A sharing violation occurred. "},
    {27, "The filename association is\nincomplete or invalid."},
    {28, "The DDE transaction could not\nbe completed because the request timed out."},
    {29, "The DDE transaction failed."},
    {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."},
    {31, "There is no application associated\nwith the given filename extension."},
    {32, "The specified dynamic-link library was not found."},
};

// The desktop's opener, xdg-open: 31 when there is none or it finds no handler for the address,
// 2 when it reports a missing file.
int OpenWithDesktop(const QString& strURL)
{
    const QString strOpener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (strOpener.isEmpty())
        return CHyperLink::ERROR_NO_ASSOCIATION;
    // Parented to the application: an opener that outlives the wait is left to finish on its own.
    auto* pProcess = new QProcess(qApp);
    pProcess->setStandardOutputFile(QProcess::nullDevice());
    pProcess->setStandardErrorFile(QProcess::nullDevice());
    pProcess->start(strOpener, {strURL});
    if (!pProcess->waitForStarted()) {
        delete pProcess;
        return CHyperLink::ERROR_NO_ASSOCIATION;
    }
    // Wait with the windows painting but taking no input.
    QEventLoop loop;
    QObject::connect(pProcess, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(kOpenerWaitMs, &loop, &QEventLoop::quit);
    if (pProcess->state() != QProcess::NotRunning)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (pProcess->state() != QProcess::NotRunning) {
        QObject::connect(pProcess, &QProcess::finished, pProcess, &QObject::deleteLater);
        return kOpened;
    }
    const int nExit = pProcess->exitStatus() == QProcess::NormalExit ? pProcess->exitCode() : -1;
    delete pProcess;
    // xdg-open: 0 done, 2 a file does not exist, 1, 3 and 4 no way to open the address.
    return nExit == 0 ? kOpened : nExit == 2 ? CHyperLink::ERROR_FILE_NOT_FOUND : CHyperLink::ERROR_NO_ASSOCIATION;
}

// The first command of $BROWSER (':'-separated), "%s" replaced by the address, or the address
// appended when it has no "%s". 2 when the program does not exist, 5 when it is no executable file.
int OpenWithBrowser(const QString& strCommand, const QString& strURL)
{
    QStringList args = QProcess::splitCommand(strCommand);
    if (args.isEmpty())
        return CHyperLink::ERROR_FILE_NOT_FOUND;
    const QString strProgram = args.takeFirst();
    bool bPlaced = false;
    for (QString& strArg : args) {
        if (strArg.contains(QLatin1String("%s"))) {
            strArg.replace(QLatin1String("%s"), strURL);
            bPlaced = true;
        }
    }
    if (!bPlaced)
        args.append(strURL);

    const QString strPath =
        strProgram.contains(QLatin1Char('/')) ? strProgram : QStandardPaths::findExecutable(strProgram);
    const QFileInfo info(strPath);
    if (strPath.isEmpty() || !info.exists())
        return CHyperLink::ERROR_FILE_NOT_FOUND;
    if (info.isDir() || !info.isExecutable())
        return CHyperLink::ERROR_ACCESS_DENIED;
    // The file is there and may be run: a failure to start means it is no program.
    return QProcess::startDetached(strPath, args) ? kOpened : CHyperLink::ERROR_BAD_FORMAT;
}

} // namespace

CHyperLink::CHyperLink(const QString& strText, QWidget* pParent, const QString& strURL)
    : QLabel(strText, pParent), m_strURL(strURL)
{
    // The address defaults to the text; an empty text shows the address.
    if (m_strURL.isEmpty())
        m_strURL = text();
    else if (text().isEmpty())
        setText(m_strURL);
    setTextFormat(Qt::PlainText);
    m_StdFont = font();
    m_UnderlineFont = m_StdFont;
    m_UnderlineFont.setUnderline(true);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setToolTip(m_strURL);
    ApplyLook();
    PositionWindow();
}

CHyperLink::~CHyperLink() = default;

void CHyperLink::SetURL(const QString& strURL, const QString& strTipText)
{
    m_strURL = strURL;
    m_strTipText = strTipText;
    PositionWindow();
    setToolTip(m_strTipText);
}

QColor CHyperLink::GetTextColour() const
{
    return m_bOverControl ? m_crHoverColour : m_bVisited ? m_crVisitedColour : m_crLinkColour;
}

void CHyperLink::ApplyLook()
{
    const bool bUnderline = m_nUnderline == UNDERLINE_ALWAYS || (m_nUnderline == UNDERLINE_HOVER && m_bOverControl);
    setFont(bUnderline ? m_UnderlineFont : m_StdFont);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, GetTextColour());
    setPalette(palette);
    update();
}

void CHyperLink::PositionWindow()
{
    if (!m_bAdjustToFit)
        return;
    // The text's extent plus the frame; the window shrinks or grows about the side its
    // alignment keeps.
    const int nBorder = frameWidth() * 2;
    const QSize extent = QFontMetrics(m_StdFont).size(0, text()) + QSize(nBorder, nBorder);
    QRect rcWnd = geometry();
    const Qt::Alignment align = alignment();
    const int nDy = rcWnd.height() - extent.height();
    rcWnd.setTop(rcWnd.top() + ((align & Qt::AlignVCenter) ? nDy / 2 : 0));
    rcWnd.setHeight(extent.height());
    const int nDx = rcWnd.width() - extent.width();
    if (align & Qt::AlignHCenter)
        rcWnd.setLeft(rcWnd.left() + nDx / 2);
    else if (align & Qt::AlignRight)
        rcWnd.setLeft(rcWnd.left() + nDx);
    rcWnd.setWidth(extent.width());
    setFixedSize(rcWnd.size());
    move(rcWnd.topLeft());
}

void CHyperLink::mouseMoveEvent(QMouseEvent* pEvent)
{
    if (!m_bOverControl) {
        m_bOverControl = true;
        ApplyLook();
        m_timer.start(kHoverTestMs, this);
    }
    QLabel::mouseMoveEvent(pEvent);
}

void CHyperLink::timerEvent(QTimerEvent* pEvent)
{
    if (pEvent->timerId() != m_timer.timerId()) {
        QLabel::timerEvent(pEvent);
        return;
    }
    if (rect().contains(mapFromGlobal(QCursor::pos())))
        return;
    m_bOverControl = false;
    m_timer.stop();
    ApplyLook();
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* pEvent)
{
    QLabel::mouseReleaseEvent(pEvent);
    if (pEvent->button() != Qt::LeftButton || !rect().contains(pEvent->position().toPoint()))
        return;
    m_bOverControl = false;
    const int nResult = GotoURL(m_strURL);
    m_bVisited |= nResult > kOpenFailureLimit;
    ApplyLook();
    if (nResult <= kOpenFailureLimit) {
        QApplication::beep();
        AfxMessageBox(ErrorMessage(nResult));
    }
}

QString CHyperLink::ErrorMessage(int nError)
{
    QString strReason = QStringLiteral("Unknown Error (%1) occurred.").arg(nError);
    for (const SErrorReason& reason : g_errorReasons)
        if (reason.nCode == nError)
            strReason = QString::fromUtf8(reason.pszReason);
    return QStringLiteral("Unable to open hyperlink:\n\n") + strReason;
}

int CHyperLink::GotoURL(const QString& strURL)
{
    const int nResult = OpenWithDesktop(strURL);
    if (nResult > kOpenFailureLimit)
        return nResult;
    const QString strBrowser =
        qEnvironmentVariable("BROWSER").split(QLatin1Char(':'), Qt::SkipEmptyParts).value(0).trimmed();
    return strBrowser.isEmpty() ? nResult : OpenWithBrowser(strBrowser, strURL);
}
