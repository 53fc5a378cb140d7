#include "ui/XListCtrl.h"

#include "ui/XHeaderCtrl.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStyledItemDelegate>
#include <algorithm>

namespace {

// Per-cell check state, beside the text and colours the item keeps for every column.
constexpr int kCheckRole = Qt::UserRole + 1;
constexpr int kImageSize = 16;

// Draws a cell's own background and text, and its check box centred in the cell.
class CCheckDelegate : public QStyledItemDelegate {
public:
    explicit CCheckDelegate(CXListCtrl* pList) : QStyledItemDelegate(pList), m_pList(pList) {}

    void paint(QPainter* pPainter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(pPainter, option, index);
        const QVariant check = index.data(kCheckRole);
        if (!check.isValid() || check.toInt() < 0)
            return;
        const QPixmap image = m_pList->CheckBoxImage(check.toInt() == 1);
        QRect rcBox(QPoint(), image.deviceIndependentSize().toSize());
        rcBox.moveCenter(option.rect.center());
        pPainter->drawPixmap(rcBox, image);
    }

private:
    CXListCtrl* m_pList;
};

} // namespace

CXListCtrl::CXListCtrl(QWidget* pParent) : QTreeWidget(pParent), m_pHeader(new CXHeaderCtrl(this))
{
    setHeader(m_pHeader);
    m_pHeader->setSectionsClickable(true); // the tree view makes its header unclickable while not sorting
    setColumnCount(0);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new CCheckDelegate(this));
    connect(this, &QTreeWidget::itemClicked, this, &CXListCtrl::OnItemClicked);
    connect(m_pHeader, &QHeaderView::sectionClicked, this, &CXListCtrl::OnHeaderClicked);
}

void CXListCtrl::SetExtendedStyle(unsigned nStyle)
{
    const bool bFullRow = nStyle & LVS_EX_FULLROWSELECT;
    setSelectionBehavior(bFullRow ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    setAllColumnsShowFocus(bFullRow);

    // Track select: the row under the mouse becomes the selected one.
    disconnect(m_trackConnection);
    setMouseTracking(nStyle & LVS_EX_TRACKSELECT);
    if (nStyle & LVS_EX_TRACKSELECT)
        m_trackConnection = connect(this, &QAbstractItemView::entered, this,
                                    [this](const QModelIndex& index) { setCurrentIndex(index); });
}

int CXListCtrl::InsertColumn(const QString& strHeading, int nFormat, int nWidth)
{
    const int nCol = columnCount();
    const Qt::Alignment alignment = nFormat == LVCFMT_CENTER  ? Qt::AlignHCenter
                                    : nFormat == LVCFMT_RIGHT ? Qt::AlignRight
                                                              : Qt::AlignLeft;
    m_columnAlignments.push_back(alignment | Qt::AlignVCenter);
    setColumnCount(nCol + 1);
    headerItem()->setText(nCol, strHeading);
    headerItem()->setTextAlignment(nCol, m_columnAlignments.back());
    m_pHeader->resizeSection(nCol, nWidth);
    return nCol;
}

int CXListCtrl::InsertItem(int nRow, const QString& strText)
{
    nRow = std::clamp(nRow, 0, topLevelItemCount());
    auto* pItem = new QTreeWidgetItem;
    pItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    for (int nCol = 0; nCol < columnCount(); ++nCol) {
        pItem->setForeground(nCol, palette().color(QPalette::Text));
        pItem->setBackground(nCol, palette().color(QPalette::Base));
        pItem->setTextAlignment(nCol, m_columnAlignments[nCol]);
        pItem->setData(nCol, kCheckRole, -1);
    }
    pItem->setText(0, strText);
    insertTopLevelItem(nRow, pItem);
    return nRow;
}

bool CXListCtrl::SetItemText(int nRow, int nCol, const QString& strText)
{
    QTreeWidgetItem* pItem = topLevelItem(nRow);
    if (!pItem || nCol < 0 || nCol >= columnCount())
        return false;
    pItem->setText(nCol, strText);
    return true;
}

QString CXListCtrl::GetItemText(int nRow, int nCol) const
{
    const QTreeWidgetItem* pItem = topLevelItem(nRow);
    return pItem && nCol >= 0 && nCol < columnCount() ? pItem->text(nCol) : QString();
}

bool CXListCtrl::SetCheckbox(int nRow, int nCol, int nCheckedState)
{
    QTreeWidgetItem* pItem = topLevelItem(nRow);
    if (!pItem || nCol < 0 || nCol >= columnCount() || nCheckedState < -1 || nCheckedState > 1)
        return false;
    pItem->setData(nCol, kCheckRole, nCheckedState);
    UpdateHeaderCheckbox(nCol);
    return true;
}

int CXListCtrl::GetCheckbox(int nRow, int nCol) const
{
    const QTreeWidgetItem* pItem = topLevelItem(nRow);
    if (!pItem || nCol < 0 || nCol >= columnCount())
        return -1;
    const QVariant check = pItem->data(nCol, kCheckRole);
    return check.isValid() ? check.toInt() : -1;
}

QPixmap CXListCtrl::CheckBoxImage(bool bChecked) const
{
    const qreal dRatio = devicePixelRatioF();
    QPixmap image(QSize(kImageSize, kImageSize) * dRatio);
    image.setDevicePixelRatio(dRatio);
    image.fill(Qt::transparent);
    QStyleOptionButton option;
    option.initFrom(this);
    option.state = QStyle::State_Enabled | (bChecked ? QStyle::State_On : QStyle::State_Off);
    const int nWidth = style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, this);
    const int nHeight = style()->pixelMetric(QStyle::PM_IndicatorHeight, &option, this);
    option.rect = QRect((kImageSize - nWidth) / 2, (kImageSize - nHeight) / 2, nWidth, nHeight);
    QPainter painter(&image);
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, this);
    return image;
}

void CXListCtrl::OnItemClicked(QTreeWidgetItem* pItem, int nCol)
{
    const int nRow = indexOfTopLevelItem(pItem);
    const int nState = GetCheckbox(nRow, nCol);
    if (nState >= 0)
        SetCheckbox(nRow, nCol, nState == 1 ? 0 : 1);
}

void CXListCtrl::OnHeaderClicked(int nCol)
{
    const int nImage = m_pHeader->GetItemImage(nCol);
    if (nImage < 0)
        return;
    const int nNewState = nImage == HEADER_CHECKED ? 0 : 1;
    for (int nRow = 0; nRow < topLevelItemCount(); ++nRow)
        if (GetCheckbox(nRow, nCol) >= 0)
            topLevelItem(nRow)->setData(nCol, kCheckRole, nNewState);
    UpdateHeaderCheckbox(nCol);
}

void CXListCtrl::UpdateHeaderCheckbox(int nCol)
{
    if (m_pHeader->GetItemImage(nCol) < 0)
        return;
    bool bAny = false;
    bool bAllChecked = true;
    for (int nRow = 0; nRow < topLevelItemCount() && bAllChecked; ++nRow) {
        const int nState = GetCheckbox(nRow, nCol);
        bAny |= nState >= 0;
        bAllChecked = nState != 0;
    }
    m_pHeader->SetItemImage(nCol, bAny && bAllChecked ? HEADER_CHECKED : HEADER_UNCHECKED);
}

void CXListCtrl::paintEvent(QPaintEvent* pEvent)
{
    if (topLevelItemCount() > 0) {
        QTreeWidget::paintEvent(pEvent);
        return;
    }
    // The viewport starts below the header: the text goes 10 pixels lower.
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().color(QPalette::Base));
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(viewport()->rect().adjusted(0, 10, 0, 0), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                     tr("There are no items to show in this view."));
}
