// The hex file viewer: the option controls and their rules, the 64K limit of 16-bit addresses, the
// column count, and the mapped file behind the view.
#include "support/TestSupport.h"
#include "tools/HexEdit.h"
#include "tools/HexEditDlgDlg.h"
#include "tools/SpinButtonCtrl.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

const char* const g_optionControls[] = {"edit1002",   "radio1003", "check1004", "radio1005", "radio1006",
                                        "button1007", "spin1008",  "radio1011", "radio1012", "check1014"};

template <class T = QWidget> T* Child(QWidget* pParent, const char* pszName)
{
    return pParent->findChild<T*>(QString::fromLatin1(pszName));
}

} // namespace

class CTestHexView : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::unique_ptr<CHexEditDlgDlg> m_pDlg;
    QString m_strBoxText;

    QString MakeFile(qint64 nSize)
    {
        const QString strPath = m_dir.filePath(QStringLiteral("bytes-%1.bin").arg(nSize));
        QFile file(strPath);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        QByteArray bytes(int(nSize), 0);
        for (qint64 i = 0; i < nSize; ++i)
            bytes[i] = char(i * 7);
        file.write(bytes);
        return strPath;
    }
    CHexEditDlgDlg& ShownDialog()
    {
        m_pDlg = std::make_unique<CHexEditDlgDlg>();
        m_pDlg->show();
        [[maybe_unused]] const bool bExposed = QTest::qWaitForWindowExposed(m_pDlg.get());
        return *m_pDlg;
    }
    // Records the text of the next message box, if one opens within a moment, and closes it.
    void ExpectBox()
    {
        m_strBoxText.clear();
        DriveModalIfAny(
            [this](QWidget* pBox) {
                m_strBoxText = MessageBoxText(pBox);
                PressButton(pBox, "OK");
            },
            300);
    }
    QString BoxText()
    {
        QTest::qWait(350); // the watch for a box has ended
        return m_strBoxText;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void cleanup() { m_pDlg.reset(); }

    void optionsFollowTheFirstLoad()
    {
        CHexEditDlgDlg& dlg = ShownDialog();
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Hex File View"));
        for (const char* pszName : g_optionControls)
            QVERIFY2(!Child(&dlg, pszName)->isEnabled(), pszName);
        QVERIFY(dlg.LoadFile(MakeFile(100)));
        for (const char* pszName : g_optionControls)
            QVERIFY2(Child(&dlg, pszName)->isEnabled(), pszName);
        QCOMPARE(dlg.m_pHexEdit->GetView()->LineCount(), 13); // 8 bytes a row
        // A second file replaces the data; the controls stay enabled.
        QVERIFY(dlg.LoadFile(MakeFile(200)));
        QCOMPARE(dlg.m_data->Size(), 200);
        QCOMPARE(dlg.m_pHexEdit->GetView()->LineCount(), 25);
        QVERIFY(Child(&dlg, "radio1005")->isEnabled());
        // A file that cannot be opened is reported and the data stays.
        ExpectBox();
        QVERIFY(!dlg.LoadFile(m_dir.filePath(QStringLiteral("missing.bin"))));
        QVERIFY(BoxText().endsWith(QLatin1String("missing.bin was not found.")));
        QCOMPARE(dlg.m_data->Size(), 200);
    }

    void wordAddressesCountTo64K_data()
    {
        QTest::addColumn<qint64>("nSize");
        QTest::addColumn<bool>("bRefused");
        QTest::newRow("65536 bytes") << qint64(65536) << false;
        QTest::newRow("65537 bytes") << qint64(65537) << true;
    }
    void wordAddressesCountTo64K()
    {
        QFETCH(qint64, nSize);
        QFETCH(bool, bRefused);
        CHexEditDlgDlg& dlg = ShownDialog();
        QVERIFY(dlg.LoadFile(MakeFile(nSize)));
        ExpectBox();
        Child<QRadioButton>(&dlg, "radio1005")->click();
        QCOMPARE(BoxText(), bRefused ? QStringLiteral("File is larger than 64K") : QString());
        QCOMPARE(dlg.m_nAddressSize, bRefused ? 1 : 0);
        QCOMPARE(Child<QRadioButton>(&dlg, "radio1006")->isChecked(), bRefused);
        QCOMPARE(dlg.m_pHexEdit->GetAddressDigits(), short(bRefused ? 8 : 4));
        QVERIFY(dlg.m_pHexEdit->GetShowAddress());
    }

    void largerFileOverWordAddressesSwitchesToDword()
    {
        CHexEditDlgDlg& dlg = ShownDialog();
        QVERIFY(dlg.LoadFile(MakeFile(65536)));
        Child<QRadioButton>(&dlg, "radio1005")->click();
        QCOMPARE(dlg.m_pHexEdit->GetAddressDigits(), short(4));
        ExpectBox();
        QVERIFY(dlg.LoadFile(MakeFile(65537)));
        QCOMPARE(BoxText(), QStringLiteral("File is larger than 64K"));
        QCOMPARE(dlg.m_nAddressSize, 1);
        QVERIFY(Child<QRadioButton>(&dlg, "radio1006")->isChecked());
        QCOMPARE(dlg.m_pHexEdit->GetAddressDigits(), short(8));
    }

    void addressCheckEnablesTheSizes()
    {
        CHexEditDlgDlg& dlg = ShownDialog();
        QVERIFY(dlg.LoadFile(MakeFile(10)));
        Child<QCheckBox>(&dlg, "check1014")->click();
        QVERIFY(!dlg.m_pHexEdit->GetShowAddress());
        QVERIFY(!Child(&dlg, "radio1005")->isEnabled());
        QVERIFY(!Child(&dlg, "radio1006")->isEnabled());
        Child<QCheckBox>(&dlg, "check1014")->click();
        QVERIFY(dlg.m_pHexEdit->GetShowAddress());
        QVERIFY(Child(&dlg, "radio1006")->isEnabled());
    }

    void autoReadsBackTheControlsCount()
    {
        CHexEditDlgDlg& dlg = ShownDialog();
        dlg.resize(1600, 600);
        QVERIFY(dlg.LoadFile(MakeFile(1000)));
        QTRY_VERIFY(dlg.m_pHexEdit->width() > 1000);
        Child<QPushButton>(&dlg, "button1007")->click();
        const short nCount = dlg.m_pHexEdit->GetColumns();
        QVERIFY(nCount > 8);
        QCOMPARE(dlg.m_nColumns, int(nCount));
        QCOMPARE(Child<QLineEdit>(&dlg, "edit1002")->text(), QString::number(nCount));
        QCOMPARE(dlg.m_pSpin->GetPos(), int(nCount));
    }

    void typedColumnsAreValidated()
    {
        CHexEditDlgDlg& dlg = ShownDialog();
        QVERIFY(dlg.LoadFile(MakeFile(1000)));
        auto* pEdit = Child<QLineEdit>(&dlg, "edit1002");
        pEdit->setText(QStringLiteral("12"));
        QCOMPARE(dlg.m_pHexEdit->GetColumns(), short(12));
        QCOMPARE(dlg.m_pSpin->GetPos(), 12);
        ExpectBox();
        pEdit->setText(QStringLiteral("120"));
        QCOMPARE(BoxText(), QStringLiteral("Please enter an integer between 1 and 100."));
        QCOMPARE(pEdit->text(), QStringLiteral("12"));
        QCOMPARE(dlg.m_pHexEdit->GetColumns(), short(12));
    }

    void upDownStaysWithin1To100()
    {
        CHexEditDlgDlg& dlg = ShownDialog();
        QVERIFY(dlg.LoadFile(MakeFile(1000)));
        Child<QLineEdit>(&dlg, "edit1002")->setText(QStringLiteral("100"));
        dlg.m_pSpin->Step(1);
        QCOMPARE(dlg.m_nColumns, 100);
        QCOMPARE(dlg.m_pHexEdit->GetColumns(), short(100));
        dlg.m_pSpin->Step(-1);
        QCOMPARE(dlg.m_nColumns, 99);
        QCOMPARE(dlg.m_pHexEdit->GetColumns(), short(99));
        QCOMPARE(Child<QLineEdit>(&dlg, "edit1002")->text(), QStringLiteral("99"));
        Child<QLineEdit>(&dlg, "edit1002")->setText(QStringLiteral("1"));
        dlg.m_pSpin->Step(-1);
        QCOMPARE(dlg.m_nColumns, 1);
    }

    void dataSizeRulesShowAscii()
    {
        CHexEditDlgDlg& dlg = ShownDialog();
        QVERIFY(dlg.LoadFile(MakeFile(100)));
        auto* pAscii = Child<QCheckBox>(&dlg, "check1004");
        for (const char* pszSize : {"radio1011", "radio1012"}) {
            Child<QRadioButton>(&dlg, pszSize)->click();
            QVERIFY(!pAscii->isChecked());
            QVERIFY(!pAscii->isEnabled());
        }
        QCOMPARE(dlg.m_pHexEdit->GetDataDigits(), short(8));
        // Back to bytes: enabled again, showing the control's own setting.
        Child<QRadioButton>(&dlg, "radio1003")->click();
        QVERIFY(pAscii->isEnabled());
        QVERIFY(pAscii->isChecked());
        pAscii->click();
        QVERIFY(!dlg.m_pHexEdit->GetShowAscii());
        Child<QRadioButton>(&dlg, "radio1011")->click();
        Child<QRadioButton>(&dlg, "radio1003")->click();
        QVERIFY(!pAscii->isChecked());
        QCOMPARE(dlg.m_pHexEdit->GetDataDigits(), short(2));
    }

    // A file that another program shortens is read no further than its new end.
    void shortenedFileIsReadToItsNewEnd()
    {
        const QString strPath = MakeFile(1 << 20);
        QFileDevice::FileError eError;
        std::shared_ptr<const CHexData> pData = CHexData::Open(strPath, eError);
        QVERIFY(pData);
        QCOMPARE(pData->Size(), 1 << 20);
        QVERIFY(QFile::resize(strPath, 100));
        uchar bytes[64];
        QCOMPARE(pData->Read(900000, bytes, 64), 0);
        QCOMPARE(pData->Read(80, bytes, 64), 20);
        QCOMPARE(bytes[0], uchar(80 * 7));
        CHexView view;
        view.resize(400, 300);
        view.SetData(pData, 0);
        view.SetTopLine(view.LineCount());
        QVERIFY(!view.grab().isNull());
    }

    // The scroll bar and the top row follow each other, also where the bar stands for a fraction of
    // the rows (a 2 GiB file of one byte a row).
    void scrollBarFollowsTheTopRow_data()
    {
        QTest::addColumn<qint64>("nSize");
        QTest::newRow("100000 rows") << qint64(100000);
        QTest::newRow("2G rows") << (qint64(2) << 30);
    }
    void scrollBarFollowsTheTopRow()
    {
        QFETCH(qint64, nSize);
        const QString strPath = m_dir.filePath(QStringLiteral("sparse.bin"));
        QFile::remove(strPath);
        QFile file(strPath);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(nSize)); // sparse: nothing is written
        file.close();
        QFileDevice::FileError eError;
        CHexView view;
        view.resize(400, 300);
        view.SetColumns(1);
        view.SetData(CHexData::Open(strPath, eError), 0);
        QCOMPARE(view.LineCount(), nSize);
        QScrollBar* pBar = view.verticalScrollBar();
        view.SetTopLine(nSize / 2);
        QCOMPARE(view.TopLine(), nSize / 2);
        QVERIFY(pBar->value() > 0);
        pBar->setValue(0);
        QCOMPARE(view.TopLine(), 0);
        pBar->setValue(pBar->maximum());
        QCOMPARE(view.TopLine(), nSize - view.VisibleLines());
        QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(view.TopLine(), 0);
        QCOMPARE(pBar->value(), 0);
        QTest::keyClick(&view, Qt::Key_PageDown);
        QCOMPARE(view.TopLine(), view.VisibleLines() - 1);
        QVERIFY(!view.grab().isNull());

        // A click in the trough moves a page at most, however the bar is scaled.
        const qint64 nBefore = view.TopLine();
        pBar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QVERIFY(view.TopLine() > nBefore && view.TopLine() - nBefore <= view.VisibleLines());
        // Another row width keeps the first byte in sight.
        view.SetTopLine(nSize / 2);
        view.SetColumns(16);
        QCOMPARE(view.TopLine(), nSize / 2 / 16);
    }

    void emptyAndSpecialFiles()
    {
        QFileDevice::FileError eError;
        const std::shared_ptr<const CHexData> pEmpty = CHexData::Open(MakeFile(0), eError);
        QVERIFY(pEmpty);
        QCOMPARE(pEmpty->Size(), 0);
        // Not a regular file: a folder is refused instead of being shown as nothing.
        QVERIFY(!CHexData::Open(m_dir.path(), eError));
    }
};

QTEST_MAIN(CTestHexView)
#include "tst_hexview.moc"
