#pragma once
// An extended report list: one row per item, one cell per column, and cells that may carry a check
// box. A column whose header shows a check box image keeps that image in step with its cells, and
// clicking such a header checks or unchecks the whole column. An empty list says so in its window.
#include <QTreeWidget>

class CXHeaderCtrl;

class CXListCtrl : public QTreeWidget {
    Q_OBJECT
public:
    // Extended styles.
    enum : unsigned { LVS_EX_TRACKSELECT = 0x08, LVS_EX_FULLROWSELECT = 0x20 };
    // Column formats.
    enum { LVCFMT_LEFT = 0, LVCFMT_RIGHT = 1, LVCFMT_CENTER = 2 };
    // Images of a header check box: index 0 empty, 1 checked.
    enum { HEADER_UNCHECKED = 0, HEADER_CHECKED = 1 };

    explicit CXListCtrl(QWidget* pParent = nullptr);

    void SetExtendedStyle(unsigned nStyle);
    CXHeaderCtrl* GetHeaderCtrl() const { return m_pHeader; }

    // Appends a column; returns its index.
    int InsertColumn(const QString& strHeading, int nFormat, int nWidth);
    // Inserts a row at nRow (clamped to the list) whose cells have no check box, window-text on
    // window colours; returns its index.
    int InsertItem(int nRow, const QString& strText);
    int GetItemCount() const { return topLevelItemCount(); }
    bool SetItemText(int nRow, int nCol, const QString& strText);
    QString GetItemText(int nRow, int nCol) const;

    // Check state of a cell: -1 no check box, 0 unchecked, 1 checked. Reading gives -1 for a row or
    // column out of range. Setting keeps the column's header check box in step.
    bool SetCheckbox(int nRow, int nCol, int nCheckedState);
    int GetCheckbox(int nRow, int nCol) const;

    // The check box image drawn in cells and given to headers, in this widget's style.
    QPixmap CheckBoxImage(bool bChecked) const;

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    void OnItemClicked(QTreeWidgetItem* pItem, int nCol);
    void OnHeaderClicked(int nCol);
    // Header image 1 exactly when every cell of the column that has a check box is checked (and
    // there is one), else 0; nothing for a column whose header shows no check box.
    void UpdateHeaderCheckbox(int nCol);

    CXHeaderCtrl* m_pHeader;
    std::vector<Qt::Alignment> m_columnAlignments;
    QMetaObject::Connection m_trackConnection;
};
