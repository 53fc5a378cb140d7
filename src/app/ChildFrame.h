#pragma once
// The frame of every document window: caption, sunken client edge, the view inside.
#include <QMdiSubWindow>

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    CChildFrame();
};
