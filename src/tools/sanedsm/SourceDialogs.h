#pragma once
// The windows of the SANE source manager: the selection of a device, and a source's own dialog
// with its scan mode, resolution and Scan button. Plain dialogs without classes of their own, so
// that nothing of this library stays behind in the application once it is unloaded.
#include "tools/sanedsm/SaneDevice.h"

#include <functional>

class QDialog;
class QWidget;

// Lets the user pick one of devices, preselecting nPreset; the chosen index, or -1 on Cancel.
int RunSelectSourceDialog(const std::vector<SSaneDeviceInfo>& devices, int nPreset, QWidget* pParent);

// A modeless dialog for device: Scan applies the chosen mode and resolution and calls fnScan;
// closing the dialog calls fnCloseRequest. The caller deletes it.
QDialog* CreateSourceDialog(CSaneDevice& device, const SSaneDeviceInfo& info, QWidget* pParent,
                            std::function<void()> fnScan, std::function<void()> fnCloseRequest);
