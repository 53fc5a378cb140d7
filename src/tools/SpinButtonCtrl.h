#pragma once
// An up-down control: two arrow buttons that step a position within a range. Before a step it asks
// its owner whether the step may happen. With a buddy edit it takes its position from the number in
// the edit and writes each new position there; Up and Down in the edit step it too.
#include <QWidget>
#include <functional>

class QLineEdit;

class CSpinButtonCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CSpinButtonCtrl(QWidget* pParent = nullptr);

    void SetRange(int nLower, int nUpper);
    // Limits the position to the range and shows it in the buddy.
    void SetPos(int nPos);
    int GetPos() const { return m_nPos; }
    void SetBuddy(QLineEdit* pBuddy);
    // One step as an arrow click makes it: +1 up, -1 down.
    void Step(int nDelta);

    // Called with the position and the step before it is taken; false refuses the step.
    std::function<bool(int nPos, int nDelta)> m_fnDeltaPos;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nPos = 0;
    QLineEdit* m_pBuddy = nullptr;
};
