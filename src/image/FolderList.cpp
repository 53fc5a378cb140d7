#include "image/FolderList.h"

#include "image/ImageFormats.h"

#include <QFile>
#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

QString GetExtensionPart(const QString& strName)
{
    const qsizetype nDot = strName.lastIndexOf(QLatin1Char('.'));
    return nDot < 0 ? QString() : strName.mid(nDot + 1);
}

QString GetFolderPart(const QString& strPath)
{
    return strPath.left(strPath.lastIndexOf(QLatin1Char('/')) + 1);
}

QString GetFileNamePart(const QString& strPath)
{
    return strPath.mid(strPath.lastIndexOf(QLatin1Char('/')) + 1);
}

QStringList ListBrowsableFiles(const QString& strFolder)
{
    // readdir's entry type spares a stat per name; only unknown types and links need one.
    QStringList names;
    const QByteArray folder = QFile::encodeName(strFolder);
    DIR* pDir = opendir(folder.constData());
    if (!pDir)
        return names;
    while (const dirent* pEntry = readdir(pDir)) {
        const QString strName = QFile::decodeName(pEntry->d_name);
        if (!IsBrowsableExtension(GetExtensionPart(strName).toUpper()))
            continue;
        bool bFile = pEntry->d_type == DT_REG;
        if (pEntry->d_type == DT_UNKNOWN || pEntry->d_type == DT_LNK) {
            struct stat st;
            const QByteArray full = folder + '/' + pEntry->d_name;
            bFile = stat(full.constData(), &st) == 0 && S_ISREG(st.st_mode);
        }
        if (bFile)
            names.append(strName);
    }
    closedir(pDir);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int n = a.compare(b, Qt::CaseInsensitive);
        return n != 0 ? n < 0 : a < b;
    });
    return names;
}
