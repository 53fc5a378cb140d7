#pragma once
// The frame of every document window: a caption with the window buttons around the view. The sunken
// client edge and the two scroll bars are the view's own (a scroll area draws both itself).
#include <QMdiSubWindow>

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    CChildFrame();
};
