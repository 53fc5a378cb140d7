#pragma once
// A registry of keys kept as a folder tree on disk, standing in for the system registry's classes
// root: a key is a folder, its subkeys are the folders inside it, and its default value is the file
// ".default" inside it. Names given to Open and Create may hold several levels split by '\'.
#include <QString>

class CRegKey {
public:
    // The root key over the folder strFolder, which is made when missing.
    static CRegKey Root(const QString& strFolder);
    // The folder of the classes root: "lumivo/classes" in the user's data folder.
    static QString ClassesRootFolder();

    // Opens strSubKey below parent, for reading or for reading and writing.
    bool Open(const CRegKey& parent, const QString& strSubKey, bool bWrite = false);
    // Opens strSubKey below parent for writing, making it and every missing level on the way.
    bool Create(const CRegKey& parent, const QString& strSubKey);
    void Close() { m_strFolder.clear(); }
    bool IsOpen() const { return !m_strFolder.isEmpty(); }

    // Sets the key's default value; the key must be open for writing.
    bool SetValue(const QString& strValue);
    // The name of subkey nIndex, in name order.
    bool EnumKey(int nIndex, QString* pName) const;
    // The number of subkeys and the length of the longest subkey name.
    bool QueryInfoKey(int* pnSubKeys, int* pnMaxSubKeyLen) const;
    // Deletes the subkey strName, which must have no subkeys of its own; the key must be open for
    // writing.
    bool DeleteSubKey(const QString& strName) const;

private:
    QString m_strFolder;
    bool m_bWrite = false;
};
