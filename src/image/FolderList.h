#pragma once
// Folder listing for stepping through the images of a folder.
#include <QString>
#include <QStringList>

// Text after the last '.', empty when there is none.
QString GetExtensionPart(const QString& strName);
// Path up to and including the last '/'.
QString GetFolderPart(const QString& strPath);
// Text after the last '/'.
QString GetFileNamePart(const QString& strPath);

// Names of the regular files in strFolder whose extension is browsable, sorted case-insensitively.
// Directories are never listed, whatever their names.
QStringList ListBrowsableFiles(const QString& strFolder);
