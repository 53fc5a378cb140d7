#include "system/Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>
#include <unistd.h>

namespace {

const QString VALUE_FILE = QStringLiteral(".default");
constexpr qsizetype MAX_KEY_NAME = 255;

// The folder path of strSubKey below strFolder; empty when a level is not a key name (empty, "." or
// "..", holding '/', longer than a key name may be, or the value file's name).
QString KeyFolder(const QString& strFolder, const QString& strSubKey)
{
    if (strFolder.isEmpty())
        return QString();
    QString strPath = strFolder;
    for (const QString& strName : strSubKey.split(QLatin1Char('\\'))) {
        if (strName.isEmpty() || strName == QLatin1String(".") || strName == QLatin1String("..") ||
            strName == VALUE_FILE || strName.contains(QLatin1Char('/')) || strName.size() > MAX_KEY_NAME)
            return QString();
        strPath += QLatin1Char('/') + strName;
    }
    return strPath;
}

bool CanAccess(const QString& strFolder, bool bWrite)
{
    const QFileInfo info(strFolder);
    return info.isDir() && !info.isSymLink() &&
           access(QFile::encodeName(strFolder).constData(), bWrite ? (R_OK | W_OK | X_OK) : (R_OK | X_OK)) == 0;
}

QStringList SubKeys(const QString& strFolder)
{
    return QDir(strFolder).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name);
}

} // namespace

CRegKey CRegKey::Root(const QString& strFolder)
{
    CRegKey key;
    if (QDir().mkpath(strFolder)) {
        key.m_strFolder = strFolder;
        key.m_bWrite = true;
    }
    return key;
}

QString CRegKey::ClassesRootFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/lumivo/classes");
}

bool CRegKey::Open(const CRegKey& parent, const QString& strSubKey, bool bWrite)
{
    const QString strFolder = KeyFolder(parent.m_strFolder, strSubKey);
    Close();
    if (strFolder.isEmpty() || !CanAccess(strFolder, bWrite))
        return false;
    m_strFolder = strFolder;
    m_bWrite = bWrite;
    return true;
}

bool CRegKey::Create(const CRegKey& parent, const QString& strSubKey)
{
    const QString strFolder = KeyFolder(parent.m_strFolder, strSubKey);
    Close();
    if (strFolder.isEmpty() || !parent.m_bWrite || !QDir().mkpath(strFolder) || !CanAccess(strFolder, true))
        return false;
    m_strFolder = strFolder;
    m_bWrite = true;
    return true;
}

bool CRegKey::SetValue(const QString& strValue)
{
    if (!IsOpen() || !m_bWrite)
        return false;
    QSaveFile file(m_strFolder + QLatin1Char('/') + VALUE_FILE);
    return file.open(QIODevice::WriteOnly) && file.write(strValue.toUtf8()) >= 0 && file.commit();
}

bool CRegKey::EnumKey(int nIndex, QString* pName) const
{
    if (!IsOpen())
        return false;
    const QStringList names = SubKeys(m_strFolder);
    if (nIndex < 0 || nIndex >= names.size())
        return false;
    *pName = names[nIndex];
    return true;
}

bool CRegKey::QueryInfoKey(int* pnSubKeys, int* pnMaxSubKeyLen) const
{
    if (!IsOpen() || !QFileInfo(m_strFolder).isDir())
        return false;
    const QStringList names = SubKeys(m_strFolder);
    *pnSubKeys = int(names.size());
    *pnMaxSubKeyLen = 0;
    for (const QString& strName : names)
        *pnMaxSubKeyLen = std::max(*pnMaxSubKeyLen, int(strName.size()));
    return true;
}

bool CRegKey::DeleteSubKey(const QString& strName) const
{
    const QString strFolder = KeyFolder(m_strFolder, strName);
    if (!m_bWrite || strFolder.isEmpty() || strName.contains(QLatin1Char('\\')) || !CanAccess(strFolder, false) ||
        !SubKeys(strFolder).isEmpty())
        return false;
    const QString strValue = strFolder + QLatin1Char('/') + VALUE_FILE;
    if (QFileInfo::exists(strValue) && !QFile::remove(strValue))
        return false;
    return QDir().rmdir(strFolder);
}
