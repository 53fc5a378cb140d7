#include "tools/HexView.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <algorithm>
#include <cerrno>
#include <unistd.h>
#include <vector>

namespace {
// Beyond this many scroll positions the scroll bar stands for a fraction of the rows.
constexpr int kMaxBarRange = 1 << 30;
constexpr int kMargin = 4; // pixels left of the text
} // namespace

std::shared_ptr<const CHexData> CHexData::Open(const QString& strPath, QFileDevice::FileError& eError)
{
    // Only regular files: a pipe or device would block or have no size.
    if (!QFileInfo(strPath).isFile()) {
        eError = QFileDevice::OpenError;
        return nullptr;
    }
    std::shared_ptr<CHexData> pData(new CHexData);
    pData->m_file.setFileName(strPath);
    if (!pData->m_file.open(QIODevice::ReadOnly)) {
        eError = pData->m_file.error();
        return nullptr;
    }
    pData->m_nSize = pData->m_file.size();
    eError = QFileDevice::NoError;
    return pData;
}

qint64 CHexData::Read(qint64 nOffset, uchar* pOut, qint64 nCount) const
{
    if (nOffset < 0 || nCount <= 0 || nOffset >= m_nSize)
        return 0;
    nCount = std::min(nCount, m_nSize - nOffset);
    qint64 nRead = 0;
    while (nRead < nCount) {
        const ssize_t n = ::pread(m_file.handle(), pOut + nRead, size_t(nCount - nRead), off_t(nOffset + nRead));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        nRead += n;
    }
    return nRead;
}

CHexView::CHexView(QWidget* pParent) : QAbstractScrollArea(pParent)
{
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    const QFontMetrics metrics(font());
    m_nCharWidth = std::max(1, metrics.horizontalAdvance(QLatin1Char('0')));
    m_nLineHeight = std::max(1, metrics.height());
    UpdateScrollBars();
}

void CHexView::SetShowAddress(bool bShow)
{
    m_bShowAddress = bShow;
    UpdateScrollBars();
}

void CHexView::SetShowAscii(bool bShow)
{
    m_bShowAscii = bShow;
    UpdateScrollBars();
}

void CHexView::SetAddressDigits(short nDigits)
{
    m_nAddressDigits = std::clamp<short>(nDigits, 1, 16);
    UpdateScrollBars();
}

void CHexView::SetDataDigits(short nDigits)
{
    m_nDataDigits = nDigits >= 8 ? 8 : nDigits >= 4 ? 4 : 2;
    UpdateScrollBars();
}

short CHexView::GetColumns() const
{
    if (m_nColumns > 0)
        return m_nColumns;
    // As many units as the width shows, 1 to 100.
    const bool bAscii = m_bShowAscii && m_nDataDigits == 2;
    const int nAvailable = (viewport()->width() - kMargin) / m_nCharWidth;
    const int nFixed = (m_bShowAddress ? AddressWidth() + 2 : 0) + (bAscii ? 1 : 0);
    const int nPerUnit = m_nDataDigits + 1 + (bAscii ? BytesPerUnit() : 0);
    return short(std::clamp((nAvailable - nFixed) / nPerUnit, 1, 100));
}

void CHexView::SetColumns(short nColumns)
{
    m_nColumns = std::clamp<short>(nColumns, 0, 100);
    UpdateScrollBars();
}

long CHexView::SetData(std::shared_ptr<const CHexData> pData, long nFlags)
{
    m_pData = std::move(pData);
    m_nTopLine = 0;
    UpdateScrollBars();
    return 0;
}

int CHexView::AddressWidth() const
{
    int nNeeded = 1;
    for (qint64 nLast = m_pData && m_pData->Size() > 0 ? m_pData->Size() - 1 : 0; nLast > 15; nLast >>= 4)
        ++nNeeded;
    return std::max<int>(m_nAddressDigits, nNeeded);
}

int CHexView::LineChars() const
{
    const bool bAscii = m_bShowAscii && m_nDataDigits == 2;
    return (m_bShowAddress ? AddressWidth() + 2 : 0) + GetColumns() * (m_nDataDigits + 1) +
           (bAscii ? 1 + BytesPerLine() : 0);
}

qint64 CHexView::LineCount() const
{
    const qint64 nSize = m_pData ? m_pData->Size() : 0;
    const int nPerLine = BytesPerLine();
    return (nSize + nPerLine - 1) / nPerLine;
}

int CHexView::VisibleLines() const
{
    return std::max(1, viewport()->height() / m_nLineHeight);
}

void CHexView::SetTopLine(qint64 nLine)
{
    m_nTopLine = std::clamp<qint64>(nLine, 0, std::max<qint64>(0, LineCount() - VisibleLines()));
    UpdateScrollBars();
}

void CHexView::UpdateScrollBars()
{
    // A new row width (columns, data size, or the window's width in automatic columns) keeps the first
    // byte in sight rather than the row number.
    const int nPerLine = BytesPerLine();
    if (m_nTopLineBytes > 0 && m_nTopLineBytes != nPerLine)
        m_nTopLine = m_nTopLine * m_nTopLineBytes / nPerLine;
    m_nTopLineBytes = nPerLine;
    const qint64 nMaxTop = std::max<qint64>(0, LineCount() - VisibleLines());
    m_nTopLine = std::clamp<qint64>(m_nTopLine, 0, nMaxTop);
    QScrollBar* pBar = verticalScrollBar();
    // The bar follows the top line here, not the other way round.
    const QScopedValueRollback<bool> settingBar(m_bSettingBar, true);
    if (nMaxTop <= kMaxBarRange) {
        pBar->setRange(0, int(nMaxTop));
        pBar->setValue(int(m_nTopLine));
        pBar->setPageStep(VisibleLines());
    } else {
        pBar->setRange(0, kMaxBarRange);
        pBar->setValue(int((long double)m_nTopLine * kMaxBarRange / nMaxTop));
        // A page of rows in the bar's scaled steps, so that a click in the trough skips no row.
        pBar->setPageStep(std::max(1, int((long double)VisibleLines() * kMaxBarRange / nMaxTop)));
    }
    QScrollBar* pHorizontal = horizontalScrollBar();
    const int nVisibleChars = std::max(1, (viewport()->width() - kMargin) / m_nCharWidth);
    pHorizontal->setRange(0, std::max(0, LineChars() - nVisibleChars));
    pHorizontal->setPageStep(nVisibleChars);
    viewport()->update();
}

void CHexView::scrollContentsBy(int dx, int dy)
{
    if (dy != 0 && !m_bSettingBar) {
        const qint64 nMaxTop = std::max<qint64>(0, LineCount() - VisibleLines());
        const int nValue = verticalScrollBar()->value();
        m_nTopLine = nMaxTop <= kMaxBarRange ? nValue : qint64((long double)nValue * nMaxTop / kMaxBarRange);
    }
    viewport()->update();
}

void CHexView::resizeEvent(QResizeEvent* pEvent)
{
    QAbstractScrollArea::resizeEvent(pEvent);
    UpdateScrollBars();
}

void CHexView::keyPressEvent(QKeyEvent* pEvent)
{
    const int nPage = std::max(1, VisibleLines() - 1);
    const bool bControl = pEvent->modifiers() & Qt::ControlModifier;
    switch (pEvent->key()) {
    case Qt::Key_Up: SetTopLine(m_nTopLine - 1); break;
    case Qt::Key_Down: SetTopLine(m_nTopLine + 1); break;
    case Qt::Key_PageUp: SetTopLine(m_nTopLine - nPage); break;
    case Qt::Key_PageDown: SetTopLine(m_nTopLine + nPage); break;
    case Qt::Key_Home:
        if (!bControl)
            return QAbstractScrollArea::keyPressEvent(pEvent);
        SetTopLine(0);
        break;
    case Qt::Key_End:
        if (!bControl)
            return QAbstractScrollArea::keyPressEvent(pEvent);
        SetTopLine(LineCount());
        break;
    default: return QAbstractScrollArea::keyPressEvent(pEvent);
    }
}

void CHexView::wheelEvent(QWheelEvent* pEvent)
{
    const int nSteps = pEvent->angleDelta().y() / 40; // three rows a notch
    if (nSteps == 0)
        return QAbstractScrollArea::wheelEvent(pEvent);
    SetTopLine(m_nTopLine - nSteps);
    pEvent->accept();
}

QString CHexView::FormatLine(qint64 nOffset, const uchar* pBytes, int nCount) const
{
    static const char s_digits[] = "0123456789ABCDEF";
    QString strLine;
    strLine.reserve(LineChars());
    if (m_bShowAddress)
        strLine += QString::number(nOffset, 16).toUpper().rightJustified(AddressWidth(), QLatin1Char('0')) +
                   QLatin1String("  ");
    const int nPerUnit = BytesPerUnit();
    const int nColumns = GetColumns();
    // Units are little-endian: the last byte of a unit is written first. Bytes the file does not
    // have are blank.
    for (int u = 0; u < nColumns; ++u) {
        for (int b = nPerUnit - 1; b >= 0; --b) {
            const int i = u * nPerUnit + b;
            if (i < nCount) {
                strLine += QLatin1Char(s_digits[pBytes[i] >> 4]);
                strLine += QLatin1Char(s_digits[pBytes[i] & 15]);
            } else {
                strLine += QLatin1String("  ");
            }
        }
        strLine += QLatin1Char(' ');
    }
    if (m_bShowAscii && m_nDataDigits == 2) {
        strLine += QLatin1Char(' ');
        for (int i = 0; i < nCount; ++i)
            strLine += QLatin1Char(pBytes[i] >= 0x20 && pBytes[i] < 0x7f ? char(pBytes[i]) : '.');
    }
    return strLine;
}

void CHexView::paintEvent(QPaintEvent* pEvent)
{
    QPainter painter(viewport());
    painter.fillRect(pEvent->rect(), palette().color(QPalette::Base));
    if (!m_pData)
        return;
    painter.setPen(palette().color(QPalette::Text));
    // Only the rows in sight are read.
    const int nPerLine = BytesPerLine();
    const int nLines = VisibleLines() + 1;
    const qint64 nFirst = m_nTopLine * nPerLine;
    const qint64 nWanted = std::clamp<qint64>(m_pData->Size() - nFirst, 0, qint64(nLines) * nPerLine);
    std::vector<uchar> bytes(static_cast<size_t>(nWanted));
    const qint64 nRead = m_pData->Read(nFirst, bytes.data(), nWanted);
    const int nAscent = QFontMetrics(font()).ascent();
    const int x = kMargin - horizontalScrollBar()->value() * m_nCharWidth;
    for (int i = 0; i < nLines && qint64(i) * nPerLine < nWanted; ++i) {
        const int nCount = int(std::clamp<qint64>(nRead - qint64(i) * nPerLine, 0, nPerLine));
        painter.drawText(x, i * m_nLineHeight + nAscent,
                         FormatLine(nFirst + qint64(i) * nPerLine, bytes.data() + qint64(i) * nPerLine, nCount));
    }
}
