#include "ui/XHeaderCtrl.h"

#include <QAbstractItemModel>
#include <QIcon>

CXHeaderCtrl::CXHeaderCtrl(QWidget* pParent) : QHeaderView(Qt::Horizontal, pParent)
{
    setSectionsMovable(false);
    setStretchLastSection(false);
    setHighlightSections(false);
}

void CXHeaderCtrl::SetItemImage(int nCol, int nImage)
{
    if (nCol < 0)
        return;
    if (nImage >= m_images.size())
        nImage = -1;
    if (nCol >= int(m_itemImages.size()))
        m_itemImages.resize(nCol + 1, -1);
    m_itemImages[nCol] = nImage;
    if (model())
        model()->setHeaderData(nCol, Qt::Horizontal, nImage < 0 ? QVariant() : QVariant(QIcon(m_images.at(nImage))),
                               Qt::DecorationRole);
}

int CXHeaderCtrl::GetItemImage(int nCol) const
{
    return nCol >= 0 && nCol < int(m_itemImages.size()) ? m_itemImages[nCol] : -1;
}
