// The batch and associations commands driven through their dialogs; the associations checked in the
// key tree and by asking the desktop (xdg-mime, with the user's data and config folders pointed at
// temporary ones) which application opens each type.
#include "support/TestSupport.h"
#include "system/DesktopAssociations.h"
#include "system/Registry.h"
#include "tools/ASSOCIATIONDialog.h"
#include "tools/BatchDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString XdgDefault(const QString& strMimeType)
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), strMimeType});
    query.waitForFinished(20000);
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

void WriteFile(const QString& strPath, const QByteArray& data)
{
    QVERIFY(QDir().mkpath(QFileInfo(strPath).absolutePath()));
    QFile file(strPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

// Every key below the root as "name\sub = value", in name order.
QStringList Tree(const QString& strRoot)
{
    QStringList keys;
    QDirIterator it(strRoot, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString strFolder = it.next();
        QFile value(strFolder + QStringLiteral("/.default"));
        const QString strValue = value.open(QIODevice::ReadOnly) ? QString::fromUtf8(value.readAll()) : QString();
        keys << QDir(strRoot).relativeFilePath(strFolder).replace(QLatin1Char('/'), QLatin1Char('\\')) +
                    QStringLiteral(" = ") + strValue;
    }
    keys.sort();
    return keys;
}

// The dialog with the boxes of these ids checked, then OK; the confirmation answered with strAnswer.
void DriveAssociations(const QList<int>& checked, const QString& strAnswer, QString* pConfirmation)
{
    DriveModals({[checked](QWidget* pDialog) {
                     for (int nId : checked)
                         pDialog->findChild<QCheckBox*>(QString::number(nId))->setChecked(true);
                     PressButton(pDialog, QStringLiteral("OK"));
                 },
                 [=](QWidget* pBox) {
                     *pConfirmation = pBox->windowTitle() + QLatin1Char('|') + MessageBoxText(pBox);
                     PressButton(pBox, strAnswer);
                 }});
}

} // namespace

class TestTools : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_pHome;
    QString m_strRoot;

private slots:
    void init()
    {
        m_pHome = std::make_unique<QTemporaryDir>();
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_pHome->filePath(QStringLiteral("data"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_pHome->filePath(QStringLiteral("config"))));
        m_strRoot = CRegKey::ClassesRootFolder();
        QVERIFY(m_strRoot.startsWith(m_pHome->path()));
    }

    void cleanup() { QTRY_VERIFY(QApplication::activeModalWidget() == nullptr); }

    // .JPG and .PNG over an old .jpg key of another program: the old key goes with all its subkeys,
    // the desktop opens both types with Lumivo, and an unchecked type keeps its default.
    void associationsReplaceOldKeys()
    {
        CRegKey root = CRegKey::Root(m_strRoot), key;
        for (const char* pszKey : {".jpg", ".jpg\\OpenWithProgids\\Other.jpg", ".jpg\\Shell\\edit\\command"}) {
            QVERIFY(key.Create(root, QLatin1String(pszKey)));
            QVERIFY(key.SetValue(QStringLiteral("other")));
        }
        WriteFile(m_pHome->filePath(QStringLiteral("data/applications/other.desktop")),
                  "[Desktop Entry]\nType=Application\nName=Other\nExec=/bin/true %f\n");
        WriteFile(m_pHome->filePath(QStringLiteral("config/mimeapps.list")),
                  "[Added Associations]\nimage/png=other.desktop;\n\n[Default Applications]\n"
                  "image/x-tga=other.desktop;\nimage/jpeg=other.desktop;\n"
                  "image/png = other.desktop;\n"); // spaces are allowed around '='
        QCOMPARE(XdgDefault(QStringLiteral("image/jpeg")), QStringLiteral("other.desktop"));

        QString strConfirmation;
        DriveAssociations({1014, 1017}, QStringLiteral("Yes"), &strConfirmation);
        OnAssociations();
        QCOMPARE(strConfirmation,
                 QStringLiteral("Attention|This will change the registry\nFile extentions will open "
                                "with this application in the future\t\n\nDo you wish to continue ?\t"));

        const QString P = QCoreApplication::applicationFilePath();
        QStringList expected;
        for (const auto& [strExt, strIcon] : {std::pair{QStringLiteral(".jpg"), QStringLiteral("3")},
                                              std::pair{QStringLiteral(".png"), QStringLiteral("8")}})
            expected << strExt + " = " + strExt << strExt + "\\DefaultIcon = " + P + ',' + strIcon
                     << strExt + "\\Shell = " << strExt + "\\Shell\\Open = "
                     << strExt + "\\Shell\\Open\\Command = " + P + " %1" << strExt + "\\Shell\\View with Lumivo = "
                     << strExt + "\\Shell\\View with Lumivo\\Command = " + P + " %1";
        expected.sort();
        QCOMPARE(Tree(m_strRoot), expected);

        QCOMPARE(XdgDefault(QStringLiteral("image/jpeg")), QStringLiteral("lumivo.desktop"));
        QCOMPARE(XdgDefault(QStringLiteral("image/png")), QStringLiteral("lumivo.desktop"));
        QCOMPARE(XdgDefault(QStringLiteral("image/x-tga")), QStringLiteral("other.desktop"));
        QFile entry(m_pHome->filePath(QStringLiteral("data/applications/lumivo.desktop")));
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QByteArray entryText = entry.readAll();
        QVERIFY(entryText.contains("[Desktop Action Open]\nName=Open\nExec=") &&
                entryText.contains("Name=View with Lumivo\nExec="));
        QFile list(m_pHome->filePath(QStringLiteral("config/mimeapps.list")));
        QVERIFY(list.open(QIODevice::ReadOnly));
        const QByteArray listText = list.readAll();
        QVERIFY(listText.startsWith("[Added Associations]\nimage/png=other.desktop;\n"));
        QVERIFY(listText.contains("image/png=lumivo.desktop;") && !listText.contains("image/png = other"));
    }

    // Without Yes, or with nothing checked, nothing is written; the confirmation is asked either way.
    void associationsChangeNothing_data()
    {
        QTest::addColumn<QList<int>>("checked");
        QTest::addColumn<QString>("answer");
        QTest::newRow("nothing checked, Yes") << QList<int>{} << "Yes";
        QTest::newRow(".PNG checked, No") << QList<int>{1017} << "No";
    }
    void associationsChangeNothing()
    {
        QFETCH(QList<int>, checked);
        QFETCH(QString, answer);
        QString strConfirmation;
        DriveAssociations(checked, answer, &strConfirmation);
        OnAssociations();
        QVERIFY(strConfirmation.startsWith(QStringLiteral("Attention|")));
        QCOMPARE(Tree(m_strRoot), QStringList());
        QVERIFY(!QFile::exists(m_pHome->filePath(QStringLiteral("config/mimeapps.list"))));
    }

    // The program's path is written for paths up to 248 characters (command text 251); at 249 the first
    // checked extension stops the command before anything is changed.
    void associationsPathLimit_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("keys");
        QTest::newRow("248") << 248 << int(EAssociateResult::DONE) << 11 * 7;
        QTest::newRow("249") << 249 << int(EAssociateResult::PATH_TOO_LONG) << 0;
    }
    void associationsPathLimit()
    {
        QFETCH(int, length);
        QFETCH(int, result);
        QFETCH(int, keys);
        // Non-ASCII letters count as one character each.
        const QString strExe = QStringLiteral("/opt/") + QString(length - 5, QChar(0x00E9));
        const std::array<bool, 11> all{true, true, true, true, true, true, true, true, true, true, true};
        QCOMPARE(int(AssociateExtensions(all, strExe, CRegKey::Root(m_strRoot))), result);
        QCOMPARE(Tree(m_strRoot).size(), keys);
    }

    // An old key that cannot be deleted stops the command with its box: extensions before it keep their
    // new keys, those after it are not written.
    void associationsStopOnUndeletableKey()
    {
        CRegKey key;
        QVERIFY(key.Create(CRegKey::Root(m_strRoot), QStringLiteral(".jpg\\Shell")));
        WriteFile(m_strRoot + QStringLiteral("/.jpg/Shell/not-a-key"), "x");
        QString strConfirmation, strError;
        DriveModals({[](QWidget* pDialog) {
                         for (int nId : {1013, 1014, 1017})
                             pDialog->findChild<QCheckBox*>(QString::number(nId))->setChecked(true);
                         PressButton(pDialog, QStringLiteral("OK"));
                     },
                     [](QWidget* pBox) { PressButton(pBox, QStringLiteral("Yes")); },
                     [&](QWidget* pBox) {
                         strError = pBox->windowTitle() + QLatin1Char('|') + MessageBoxText(pBox);
                         PressButton(pBox, QStringLiteral("OK"));
                     }});
        OnAssociations();
        QCOMPARE(strError, QStringLiteral("Access Violation|Can not recursively delete the registry key\t\n(You may "
                                          "not have permission to WRITE into registry)\t\nMission aborted\t"));
        QVERIFY(QFile::exists(m_strRoot + QStringLiteral("/.bmp/Shell/Open/Command/.default")));
        QVERIFY(!QFile::exists(m_strRoot + QStringLiteral("/.png")));
        QCOMPARE(XdgDefault(QStringLiteral("image/bmp")), QStringLiteral("lumivo.desktop"));
    }

    void desktopExecProgram_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << "/usr/bin/lumivo"
                               << "/usr/bin/lumivo";
        QTest::newRow("spaces") << "/opt/my apps/lumivo"
                                << "\"/opt/my apps/lumivo\"";
        QTest::newRow("dollar, percent") << "/opt/$x%y"
                                         << "\"/opt/\\\\$x%%y\"";
    }
    void desktopExecProgram()
    {
        QFETCH(QString, path);
        QFETCH(QString, exec);
        QCOMPARE(DesktopExecProgram(path), exec);
    }

    // The dialog's lists and browse titles; OK without an output folder says so and writes into TMP.
    void batchCommandDefaultsToTmp()
    {
        QTemporaryDir in, tmp;
        QVERIFY(WriteTestImage(in.filePath(QStringLiteral("a.bmp")), 8, 6, 24));
        qputenv("TMP", QFile::encodeName(tmp.path()));
        QString strTitle, strMessage;
        int nInputTypes = 0, nOutputTypes = 0;
        DriveModals({[&](QWidget* pDialog) {
                         strTitle = pDialog->windowTitle();
                         nInputTypes = pDialog->findChild<QComboBox*>(QStringLiteral("inputType"))->count();
                         auto* pOutput = pDialog->findChild<QComboBox*>(QStringLiteral("outputType"));
                         nOutputTypes = pOutput->count();
                         pOutput->setEditText(QStringLiteral(".png"));
                         pDialog->findChild<QAbstractButton*>(QStringLiteral("inputFolderBrowse"))->click();
                     },
                     [&](QWidget* pBrowser) {
                         strTitle += QLatin1Char('|') + pBrowser->windowTitle();
                         auto* pFileDialog = qobject_cast<QFileDialog*>(pBrowser);
                         pFileDialog->setDirectory(in.path());
                         QMetaObject::invokeMethod(pFileDialog, "accept");
                     },
                     [](QWidget* pDialog) { PressButton(pDialog, QStringLiteral("OK")); },
                     [&](QWidget* pBox) {
                         strMessage = MessageBoxText(pBox);
                         PressButton(pBox, QStringLiteral("OK"));
                     }});
        OnBatchConversion();
        qunsetenv("TMP");
        QCOMPARE(strTitle, QStringLiteral("Batch conversion|Input folder for conversion"));
        QCOMPARE(nInputTypes, 12);
        QCOMPARE(nOutputTypes, 11);
        QCOMPARE(strMessage, QStringLiteral("You should have an output folder\nBy default this folder will be temp"));
        QVERIFY(QFile::exists(tmp.filePath(QStringLiteral("a.png"))));
    }
};

QTEST_MAIN(TestTools)
#include "tst_tools.moc"
