#pragma once
// The usage notice: freeware, feedback welcome, updates on the web site.
#include <QDialog>

class CDlgUsage : public QDialog {
    Q_OBJECT
public:
    explicit CDlgUsage(QWidget* pParent = nullptr);
};
