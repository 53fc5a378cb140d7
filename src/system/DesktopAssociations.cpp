#include "system/DesktopAssociations.h"

#include "system/Registry.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

namespace {

const SAssociation g_associations[] = {
    {".bmp", 1, 1013, ".BMP"},        {".ico", 2, 1012, ".ICO Not recomended"},
    {".jpg", 3, 1014, ".JPG"},        {".pbm", 4, 1021, ".PBM"},
    {".pcd", 5, 1020, ".PCD"},        {".pcx", 6, 1019, ".PCX"},
    {".pgm", 7, 1016, ".PGM"},        {".png", 8, 1017, ".PNG"},
    {".ppm", 9, 1022, ".PPM"},        {".tga", 10, 1018, ".TGA"},
    {".tif", 11, 1015, ".TIF,.TIFF"},
};

// Longest command or icon text the key tree takes, in characters.
constexpr qsizetype MAX_COMMAND_TEXT = 251;
// mimeapps.list is a small file; a larger one is not ours to rewrite.
constexpr qint64 MAX_MIMEAPPS_SIZE = 1 << 20;
const QString DESKTOP_FILE = QStringLiteral("lumivo.desktop");
const QString DEFAULT_GROUP = QStringLiteral("[Default Applications]");

qsizetype Characters(const QString& strText)
{
    return strText.toUcs4().size();
}

QString MimeTypeOf(const QString& strExtension)
{
    return QMimeDatabase().mimeTypeForFile(QStringLiteral("x") + strExtension, QMimeDatabase::MatchExtension).name();
}

bool WriteFile(const QString& strPath, const QByteArray& data)
{
    QSaveFile file(strPath);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
}

QByteArray DesktopEntry(const QString& strExe)
{
    QStringList mimeTypes;
    for (const SAssociation& association : g_associations)
        mimeTypes.append(MimeTypeOf(QString::fromLatin1(association.pszExtension)));
    const QString strExec = QStringLiteral("Exec=") + DesktopExecProgram(strExe) + QStringLiteral(" %f\n");
    const QString strEntry = QStringLiteral("[Desktop Entry]\nType=Application\nName=Lumivo\n"
                                            "Comment=Image viewer and image-processing workbench\n") +
                             strExec + QStringLiteral("Terminal=false\nCategories=Graphics;Viewer;\nMimeType=") +
                             mimeTypes.join(QLatin1Char(';')) +
                             QStringLiteral(";\nActions=Open;View;\n\n[Desktop Action Open]\nName=Open\n") + strExec +
                             QStringLiteral("\n[Desktop Action View]\nName=View with Lumivo\n") + strExec;
    return strEntry.toUtf8();
}

// The lines of mimeapps.list with strMimeType defaulting to our entry in [Default Applications].
QStringList WithDefault(QStringList lines, const QString& strMimeType)
{
    const QString strLine = strMimeType + QLatin1Char('=') + DESKTOP_FILE + QLatin1Char(';');
    const qsizetype nGroup = lines.indexOf(DEFAULT_GROUP);
    if (nGroup < 0) {
        if (!lines.isEmpty() && !lines.constLast().isEmpty())
            lines.append(QString());
        lines << DEFAULT_GROUP << strLine;
        return lines;
    }
    for (qsizetype i = nGroup + 1; i < lines.size() && !lines[i].startsWith(QLatin1Char('[')); ++i)
        // The key may have spaces around its '=' ("image/png = other.desktop;").
        if (lines[i].contains(QLatin1Char('=')) && lines[i].section(QLatin1Char('='), 0, 0).trimmed() == strMimeType) {
            lines[i] = strLine;
            return lines;
        }
    lines.insert(nGroup + 1, strLine);
    return lines;
}

} // namespace

std::span<const SAssociation> Associations()
{
    return g_associations;
}

bool RecursiveDeleteKey(const CRegKey& parent, const QString& strName)
{
    CRegKey key;
    if (!key.Open(parent, strName, true))
        return false;
    for (;;) {
        int nSubKeys = 0, nLongest = 0;
        if (!key.QueryInfoKey(&nSubKeys, &nLongest))
            return false;
        if (nSubKeys == 0)
            break;
        QString strSubKey;
        if (!key.EnumKey(0, &strSubKey) || !RecursiveDeleteKey(key, strSubKey))
            return false;
    }
    key.Close();
    return parent.DeleteSubKey(strName);
}

EAssociateResult AssociateExtensions(std::span<const bool> checked, const QString& strExe, const CRegKey& root)
{
    for (size_t i = 0; i < checked.size() && i < std::size(g_associations); ++i) {
        if (!checked[i])
            continue;
        const SAssociation& association = g_associations[i];
        const QString strExtension = QString::fromLatin1(association.pszExtension);
        const QString strCommand = strExe + QStringLiteral(" %1");
        const QString strIcon = strExe + QLatin1Char(',') + QString::number(association.nIcon);
        if (Characters(strCommand) > MAX_COMMAND_TEXT || Characters(strIcon) > MAX_COMMAND_TEXT)
            return EAssociateResult::PATH_TOO_LONG;

        // The old key goes with everything below it, whoever wrote it.
        CRegKey key;
        if (key.Open(root, strExtension)) {
            key.Close();
            if (!RecursiveDeleteKey(root, strExtension))
                return EAssociateResult::DELETE_FAILED;
        }
        if (!key.Create(root, strExtension))
            return EAssociateResult::CREATE_FAILED;
        key.SetValue(strExtension);
        key.Close();

        const std::pair<const char*, QString> subKeys[] = {
            {"\\DefaultIcon", strIcon},
            {"\\Shell\\Open\\Command", strCommand},
            {"\\Shell\\View with Lumivo\\Command", strCommand},
        };
        for (const auto& [pszSubKey, strValue] : subKeys) {
            if (key.Create(root, strExtension + QLatin1String(pszSubKey)))
                key.SetValue(strValue);
            key.Close();
        }
        MakeDesktopDefault(strExtension, strExe);
    }
    return EAssociateResult::DONE;
}

QString DesktopExecProgram(const QString& strExe)
{
    // Quoting: only when a reserved character asks for it; inside quotes ", `, $ and \ are escaped.
    static const QString RESERVED = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString strArg = strExe;
    if (std::any_of(strExe.begin(), strExe.end(), [](QChar c) { return RESERVED.contains(c); })) {
        strArg.clear();
        for (QChar c : strExe) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
                strArg += QLatin1Char('\\');
            strArg += c;
        }
        strArg = QLatin1Char('"') + strArg + QLatin1Char('"');
    }
    strArg.replace(QLatin1Char('%'), QStringLiteral("%%"));
    // Then the escapes of a string value of the file.
    QString strValue;
    for (QChar c : strArg) {
        switch (c.unicode()) {
        case '\\': strValue += QStringLiteral("\\\\"); break;
        case '\n': strValue += QStringLiteral("\\n"); break;
        case '\t': strValue += QStringLiteral("\\t"); break;
        case '\r': strValue += QStringLiteral("\\r"); break;
        default: strValue += c;
        }
    }
    return strValue;
}

bool MakeDesktopDefault(const QString& strExtension, const QString& strExe)
{
    const QString strMimeType = MimeTypeOf(strExtension);
    const QString strApplications =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/applications");
    const QString strConfig = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (strMimeType.isEmpty() || !QDir().mkpath(strApplications) || !QDir().mkpath(strConfig) ||
        !WriteFile(strApplications + QLatin1Char('/') + DESKTOP_FILE, DesktopEntry(strExe)))
        return false;

    const QString strList = strConfig + QStringLiteral("/mimeapps.list");
    QStringList lines;
    QFile file(strList);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly) || file.size() > MAX_MIMEAPPS_SIZE)
            return false;
        lines = QString::fromUtf8(file.read(MAX_MIMEAPPS_SIZE)).split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.constLast().isEmpty())
            lines.removeLast();
        file.close();
    }
    return WriteFile(strList, (WithDefault(lines, strMimeType).join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
}
