#pragma once
// The MDI area, painted in one solid colour.
#include <QColor>
#include <QMdiArea>

class CLogoMdi : public QMdiArea {
    Q_OBJECT
public:
    explicit CLogoMdi(QWidget* pParent = nullptr);

    QColor m_crBackground{49, 67, 90};

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    int m_nLastWidth = 0;
    int m_nLastHeight = 0;
};
