#pragma once
// The associations dialog and command: one check box per image extension to register Lumivo for.
#include "framework/Dialog.h"

#include <array>

class CASSOCIATIONDialog : public CDialog {
    Q_OBJECT
public:
    explicit CASSOCIATIONDialog(QWidget* pParent = nullptr);

    // One flag per extension, in processing order.
    std::array<bool, 11> m_bChecked{};
};

// Command 32799: runs the dialog, asks for confirmation and registers the checked extensions.
void OnAssociations();
