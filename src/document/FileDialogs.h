#pragma once
// The Open and Save As dialogs for images, with the filters of the format table.
#include <QString>

class QWidget;

// Asks for an image to open (all files preselected); empty on Cancel.
QString PromptOpenImage(QWidget* pParent);
// Asks for a name to save under; gives the chosen path and the 1-based filter index, false on Cancel.
bool PromptSaveImage(QWidget* pParent, QString& strPath, int& nFilterIndex);
