// Processing commands as the user runs them: dialogs, defaults, the clock and the result document.
#include "app/LumivoApp.h"
#include "document/LumivoDoc.h"
#include "framework/DocTemplate.h"
#include "framework/FrameWnd.h"
#include "processing/ProcessingCommands.h"
#include "res/CommandIds.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {
QString Text(QWidget* pDialog, const char* pszName)
{
    auto* pEdit = pDialog->findChild<QLineEdit*>(pszName);
    return pEdit ? pEdit->text() : QStringLiteral("<none>");
}
} // namespace

class CTestCommands : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(WriteTestImage(m_dir.filePath("src.bmp"), 20, 10)); }
    void init()
    {
        m_before = TopLevelWidgets();
        m_pApp = std::make_unique<CLumivoApp>();
        QVERIFY(m_pApp->InitInstance({"-nologo", m_dir.filePath("src.bmp")}));
        m_pSource = dynamic_cast<CLumivoDoc*>(m_pApp->GetMainWnd()->GetActiveDocument());
        QVERIFY(m_pSource);
        m_pSource->m_dElapsed = 9.0;
    }
    void cleanup()
    {
        m_pApp.reset();
        QCOMPARE(TopLevelWidgets(), m_before);
    }

    void dialogDefaultsPerCommand_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("edits");
        QTest::addColumn<QStringList>("values");
        const QStringList factors{"edit1042", "edit1044", "edit1043", "edit1045"};
        QTest::newRow("zoom") << int(ID_GEOM_ZOOM) << "Geometric" << factors << QStringList{"2", "1", "2", "1"};
        QTest::newRow("decimate") << int(ID_GEOM_DECIMATE) << "Geometric" << factors << QStringList{"1", "2", "1", "2"};
        QTest::newRow("resize") << int(ID_GEOM_RESIZE) << "Geometric" << factors << QStringList{"1", "2", "2", "1"};
        QTest::newRow("decimate blur") << int(ID_GEOM_DECIMATE_BLUR) << "Decimate Blur"
                                       << (QStringList{"edit1049", "edit1050"} + factors)
                                       << QStringList{"3", "3", "1", "2", "1", "2"};
        QTest::newRow("rotate") << int(ID_GEOM_ROTATE) << "Rotate" << QStringList{"edit1049"} << QStringList{"90"};
        QTest::newRow("shear") << int(ID_GEOM_SHEAR) << "Shear" << QStringList{"edit1049", "edit1050"}
                               << QStringList{"0.2", "0.1"};
    }

    void dialogDefaultsPerCommand()
    {
        QFETCH(int, id);
        QFETCH(QString, title);
        QFETCH(QStringList, edits);
        QFETCH(QStringList, values);
        QStringList seen;
        QString strTitle;
        bool bNearest = false;
        DriveNextModal([&](QWidget* pDialog) {
            strTitle = pDialog->windowTitle();
            for (const QString& strEdit : edits)
                seen.append(Text(pDialog, qPrintable(strEdit)));
            const auto radios = pDialog->findChildren<QRadioButton*>();
            bNearest = !radios.isEmpty() && radios.first()->isChecked() && radios.first()->text() == "Nearest";
            PressButton(pDialog, "Cancel");
            if (pDialog->isVisible())
                QMetaObject::invokeMethod(pDialog, "reject"); // Shear has no Cancel button
        });
        QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(id));
        QCOMPARE(strTitle, title);
        QCOMPARE(seen, values);
        QVERIFY(bNearest);
        // Cancelled: nothing measured, no new window.
        QCOMPARE(m_pSource->m_dElapsed, 9.0);
        QCOMPARE(m_pApp->m_pDocTemplate->GetDocuments().size(), size_t(1));
    }

    void okOpensOneResultTitledAfterTheCommand()
    {
        for (int nRun = 0; nRun < 2; ++nRun) {
            QCOMPARE(m_pApp->OpenDocumentFile(m_dir.filePath("src.bmp")), m_pSource); // activate the source
            DriveNextModal([](QWidget* pDialog) { PressButton(pDialog, "OK"); });
            QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(ID_GEOM_ZOOM));
        }
        const auto& docs = m_pApp->m_pDocTemplate->GetDocuments();
        QCOMPARE(docs.size(), size_t(3));
        for (size_t i = 1; i < 3; ++i) {
            auto* pResult = static_cast<CLumivoDoc*>(docs[i]);
            QCOMPARE(pResult->GetTitle(), QStringLiteral("Zoom image"));
            QCOMPARE(pResult->m_nWidth, 40);
            QVERIFY(pResult->m_strImagePath.isEmpty());
        }
        QVERIFY(m_pSource->m_dElapsed != 9.0);
        QCOMPARE(static_cast<CLumivoDoc*>(docs[2])->m_dElapsed, m_pSource->m_dElapsed);
        QCOMPARE(m_pApp->GetMainWnd()->GetPaneText(3), QStringLiteral("[40x20x24]"));
        QCOMPARE(m_pApp->GetMainWnd()->GetPaneText(1), QString::asprintf("Time : %3.3f", m_pSource->m_dElapsed));
    }

    void refusedOperationStillMeasures()
    {
        // The dialog accepts mask 4, the operation refuses it: no window, but the time is taken.
        DriveNextModal([](QWidget* pDialog) {
            FillField(pDialog, "edit1049", "4");
            PressButton(pDialog, "OK");
        });
        QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(ID_GEOM_DECIMATE_BLUR));
        QCOMPARE(m_pApp->m_pDocTemplate->GetDocuments().size(), size_t(1));
        QVERIFY(m_pSource->m_dElapsed != 9.0);
    }

    void outOfRangeKeepsTheDialogOpen()
    {
        QString strPrompt;
        DriveModals({[](QWidget* pDialog) {
                         FillField(pDialog, "edit1049", "361");
                         PressButton(pDialog, "OK");
                     },
                     [&](QWidget* pBox) {
                         strPrompt = MessageBoxText(pBox);
                         PressButton(pBox, "OK");
                     },
                     [](QWidget* pDialog) { PressButton(pDialog, "Cancel"); }});
        QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(ID_GEOM_ROTATE));
        QCOMPARE(strPrompt, QStringLiteral("Please enter a number between 1 and 360."));
        QCOMPARE(m_pSource->m_dElapsed, 9.0);
    }

    void mirrorWithoutAxisSaysSoAndDoesNothing()
    {
        QString strMessage;
        DriveModals({[](QWidget* pDialog) {
                         pDialog->findChild<QCheckBox*>("check1054")->setChecked(false);
                         PressButton(pDialog, "OK");
                     },
                     [&](QWidget* pBox) {
                         strMessage = MessageBoxText(pBox);
                         PressButton(pBox, "OK");
                     }});
        QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(ID_GEOM_MIRROR));
        QCOMPARE(strMessage, QStringLiteral("Not flip axis specified"));
        QCOMPARE(m_pSource->m_dElapsed, 9.0);
        QCOMPARE(m_pApp->m_pDocTemplate->GetDocuments().size(), size_t(1));

        // Both boxes: a new image flipped both ways.
        DriveNextModal([](QWidget* pDialog) {
            pDialog->findChild<QCheckBox*>("check1055")->setChecked(true);
            PressButton(pDialog, "OK");
        });
        QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(ID_GEOM_MIRROR));
        QCOMPARE(m_pApp->m_pDocTemplate->GetDocuments().back()->GetTitle(), QStringLiteral("Mirror image"));
    }

    void enablingRules()
    {
        QVERIFY(IsProcessingEnabled(ENABLE_ALWAYS, 4));
        QVERIFY(!IsProcessingEnabled(ENABLE_MORE_THAN_1BIT, 1));
        QVERIFY(IsProcessingEnabled(ENABLE_MORE_THAN_1BIT, 4));
        QVERIFY(!IsProcessingEnabled(ENABLE_8BIT_OR_MORE, 4));
        QVERIFY(IsProcessingEnabled(ENABLE_8BIT_OR_MORE, 8));
        // Geometric commands stay enabled on a 4-bit image, where they produce nothing.
        QVERIFY(WriteTestImage(m_dir.filePath("four.bmp"), 6, 6, 4));
        QVERIFY(m_pApp->OpenDocumentFile(m_dir.filePath("four.bmp")));
        QVERIFY(m_pApp->GetMainWnd()->QueryCommand(ID_GEOM_ROTATE).m_bEnabled);
        DriveNextModal([](QWidget* pDialog) { PressButton(pDialog, "OK"); });
        QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(ID_GEOM_ROTATE));
        QCOMPARE(m_pApp->m_pDocTemplate->GetDocuments().size(), size_t(2));
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<CLumivoApp> m_pApp;
    CLumivoDoc* m_pSource = nullptr;
    QSet<QWidget*> m_before;
};

QTEST_MAIN(CTestCommands)
#include "tst_commands.moc"
