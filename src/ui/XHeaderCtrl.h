#pragma once
// The header of the extended list control: clickable sections, each of which may show one image of
// an image list beside its text (a check box image for a column of check boxes).
#include <QHeaderView>
#include <QList>
#include <QPixmap>
#include <vector>

class CXHeaderCtrl : public QHeaderView {
    Q_OBJECT
public:
    explicit CXHeaderCtrl(QWidget* pParent = nullptr);

    void SetImageList(const QList<QPixmap>& images) { m_images = images; }
    // Shows image nImage of the list in section nCol; -1 shows none.
    void SetItemImage(int nCol, int nImage);
    // The image section nCol shows, -1 for none.
    int GetItemImage(int nCol) const;

private:
    QList<QPixmap> m_images;
    std::vector<int> m_itemImages; // per section, -1 for none
};
