// The framework layer on its own: data exchange prompts and the command route.
#include "framework/Dialog.h"
#include "framework/DocTemplate.h"
#include "framework/Document.h"
#include "framework/FrameWnd.h"
#include "framework/ScrollView.h"
#include "framework/WinApp.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QtTest>

namespace {
constexpr int ID_TEST_VIEW = 40001; // handled by the view
constexpr int ID_TEST_DOC = 40002;  // handled by document and frame: the document wins
constexpr int ID_TEST_OFF = 40003;  // handled by the frame, disabled by its update handler
constexpr int ID_TEST_NONE = 40004; // handled by nobody

const SCommandInfo g_commands[] = {
    {ID_TEST_VIEW, "View", nullptr, nullptr, nullptr},
    {ID_TEST_DOC, "Doc", "Prompt\nTip", "Ctrl+D", nullptr},
    {ID_TEST_OFF, "Off", nullptr, nullptr, nullptr},
    {ID_TEST_NONE, "None", nullptr, nullptr, nullptr},
};
const SMenuEntry g_frameMenu[] = {{0, MENU_POPUP, "&File", 0}, {1, MENU_ITEM, nullptr, ID_TEST_NONE}};
const SMenuEntry g_docMenu[] = {{0, MENU_POPUP, "&File", 0},
                                {1, MENU_ITEM, nullptr, ID_TEST_DOC},
                                {0, MENU_POPUP, "&Edit", 0},
                                {1, MENU_ITEM, nullptr, ID_TEST_VIEW}};
const SMenuResource g_menus[] = {{128, g_frameMenu}, {129, g_docMenu}};
const SStringResource g_strings[] = {{57344, "Test"}, {128, "Test"}};
const SResourceSet g_resources{g_commands, g_menus, {}, g_strings, 128, 129, 128};

std::vector<QString> g_calls;

class CTestDoc : public CDocument {
public:
    CTestDoc()
    {
        OnCommand(ID_TEST_DOC, [] { g_calls.push_back("doc"); });
    }
};

class CTestView : public CView {
public:
    explicit CTestView(CDocument* pDoc) : CView(pDoc)
    {
        OnCommand(ID_TEST_VIEW, [] { g_calls.push_back("view"); });
    }
    void OnDraw(QPainter&) override {}
};

class CTestFrame : public CMDIFrameWnd {
public:
    CTestFrame() : CMDIFrameWnd(g_resources)
    {
        SetMDIClient(new QMdiArea(this));
        OnCommand(ID_TEST_DOC, [] { g_calls.push_back("frame"); });
        OnCommand(
            ID_TEST_OFF, [] { g_calls.push_back("off"); }, [](CCmdUI& ui) { ui.Enable(false); });
    }
};

class CTestApp : public CWinApp {
public:
    CTestApp() : CWinApp(g_resources)
    {
        m_pMainWnd = new CTestFrame;
        m_pDocTemplate = new CDocTemplate(QStringLiteral("\nDoc\nDoc"),
                                          {[] { return new CTestDoc; }, [] { return new QMdiSubWindow; },
                                           [](CDocument* pDoc) { return new CTestView(pDoc); }});
        m_pDocTemplate->SetMdiArea(m_pMainWnd->GetMDIClient());
        m_pMainWnd->show();
    }
};
} // namespace

class CTestFramework : public QObject {
    Q_OBJECT
private slots:
    void init() { m_before = TopLevelWidgets(); }
    void cleanup()
    {
        CheckModalsDriven();
        QCOMPARE(TopLevelWidgets(), m_before);
    }

    void routeFollowsViewDocumentFrameApp()
    {
        CTestApp app;
        CMDIFrameWnd* pFrame = app.m_pMainWnd;
        g_calls.clear();
        // Without a document the frame answers; the view's command has no handler and is disabled.
        QVERIFY(pFrame->ExecuteCommand(ID_TEST_DOC));
        QVERIFY(!pFrame->QueryCommand(ID_TEST_VIEW).m_bEnabled);
        QVERIFY(!pFrame->ExecuteCommand(ID_TEST_VIEW));
        QCOMPARE(pFrame->GetShownMenuResource(), 128);

        QVERIFY(app.OpenDocumentFile(QString()));
        QCOMPARE(pFrame->GetShownMenuResource(), 129);
        QVERIFY(pFrame->ExecuteCommand(ID_TEST_DOC));
        QVERIFY(pFrame->ExecuteCommand(ID_TEST_VIEW));
        QCOMPARE(g_calls, (std::vector<QString>{"frame", "doc", "view"}));
    }

    void disabledCommandNeverRuns()
    {
        CTestApp app;
        g_calls.clear();
        QVERIFY(!app.m_pMainWnd->ExecuteCommand(ID_TEST_OFF));
        QVERIFY(!app.m_pMainWnd->ExecuteCommand(ID_TEST_NONE));
        app.m_pMainWnd->UpdateCommandUI();
        QAction* pOff = app.m_pMainWnd->GetAction(ID_TEST_OFF);
        QVERIFY(!pOff->isEnabled());
        pOff->trigger(); // even when triggered by other means
        QVERIFY(g_calls.empty());
        QCOMPARE(app.m_pMainWnd->GetAction(ID_TEST_DOC)->toolTip(), QStringLiteral("Tip"));
        QCOMPARE(app.m_pMainWnd->GetAction(ID_TEST_DOC)->statusTip(), QStringLiteral("Prompt"));
    }

    void untitledDocumentsAreNumberedAndClosingTheLastViewDestroysThem()
    {
        CTestApp app;
        CDocument* pFirst = app.OpenDocumentFile(QString());
        CDocument* pSecond = app.OpenDocumentFile(QString());
        QCOMPARE(pFirst->GetTitle(), QStringLiteral("Doc1"));
        QCOMPARE(pSecond->GetTitle(), QStringLiteral("Doc2"));
        // A second window on the same document: both frames carry a numbered title.
        CView* pView = app.m_pDocTemplate->CreateNewWindow(pFirst);
        QCOMPARE(pFirst->GetViews().size(), size_t(2));
        QCOMPARE(pView->GetParentFrame()->windowTitle(), QStringLiteral("Doc1:2"));
        delete pView->GetParentFrame();
        QCOMPARE(pFirst->GetViews().front()->GetParentFrame()->windowTitle(), QStringLiteral("Doc1"));
        delete pFirst->GetViews().front()->GetParentFrame();
        QCOMPARE(app.m_pDocTemplate->GetDocuments().size(), size_t(1));
        app.CloseAllDocuments();
        QVERIFY(app.m_pDocTemplate->GetDocuments().empty());
    }

    void dataExchangePrompts_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("int") << int(CDialog::FIELD_INT) << "x1"
                             << "Please enter an integer.";
        QTest::newRow("uint") << int(CDialog::FIELD_UINT) << "-1"
                              << "Please enter a positive integer.";
        QTest::newRow("double") << int(CDialog::FIELD_DOUBLE) << "abc"
                                << "Please enter a number.";
        QTest::newRow("int range") << int(CDialog::FIELD_INT) << "11"
                                   << "Please enter an integer between 1 and 10.";
        QTest::newRow("double range") << int(CDialog::FIELD_DOUBLE) << "0.5"
                                      << "Please enter a number between 1 and 10.";
        QTest::newRow("int ok") << int(CDialog::FIELD_INT) << " 7 "
                                << "";
        QTest::newRow("double ok") << int(CDialog::FIELD_DOUBLE) << "2.5"
                                   << "";
    }

    void dataExchangePrompts()
    {
        QFETCH(int, type);
        QFETCH(QString, text);
        QFETCH(QString, prompt);
        const CDialog::SField field{"f", "F", CDialog::EFieldType(type), nullptr, 1, 10, true, {}};
        double dValue = 0;
        QCOMPARE(CDialog::ValidateText(field, text, &dValue), prompt);
    }

    void okKeepsDialogOpenOnFirstBadFieldAndFocusesIt()
    {
        CTestApp app;
        int nFirst = 3;
        double dSecond = 2.0;
        CDialog dialog(app.m_pMainWnd);
        dialog.AddField({"first", "First", CDialog::FIELD_INT, &nFirst, 1, 5, true, {}});
        dialog.AddField({"second", "Second", CDialog::FIELD_DOUBLE, &dSecond, 0, 1, true, {}});
        QString strPrompt;
        DriveNextModal([&](QWidget* pDialog) {
            QCOMPARE(pDialog->findChild<QLineEdit*>("first")->text(), QStringLiteral("3"));
            FillField(pDialog, "first", "4");
            FillField(pDialog, "second", "7");
            DriveNextModal([&](QWidget* pBox) {
                strPrompt = MessageBoxText(pBox);
                PressButton(pBox, "OK");
                // Back in the dialog: the bad field has the focus; a good value lets OK close it.
                DriveNextModal([&](QWidget* pAgain) {
                    QCOMPARE(pAgain->focusWidget(), pAgain->findChild<QLineEdit*>("second"));
                    FillField(pAgain, "second", "0.25");
                    PressButton(pAgain, "OK");
                });
            });
            PressButton(pDialog, "OK");
        });
        QCOMPARE(dialog.DoModal(), int(CDialog::IDOK));
        QCOMPARE(strPrompt, QStringLiteral("Please enter a number between 0 and 1."));
        QCOMPARE(nFirst, 4);
        QCOMPARE(dSecond, 0.25);
    }

    void radioAndCheckFieldsExchangeTheirValues()
    {
        CTestApp app;
        int nMode = 1;
        bool bFlag = true;
        CDialog dialog(app.m_pMainWnd);
        dialog.AddField({"mode", "Nearest|Linear|Cubic", CDialog::FIELD_RADIO, &nMode, 0, 2, true, "Interpolation"});
        dialog.AddField({"flag", "Horizontal", CDialog::FIELD_CHECK, &bFlag, 0, 0, false, "Flip axis"});
        DriveNextModal([&](QWidget* pDialog) {
            QVERIFY(pDialog->findChild<QRadioButton*>("mode_1")->isChecked());
            QVERIFY(pDialog->findChild<QCheckBox*>("flag")->isChecked());
            QCOMPARE(pDialog->findChildren<QGroupBox*>().size(), 2);
            pDialog->findChild<QRadioButton*>("mode_2")->setChecked(true);
            pDialog->findChild<QCheckBox*>("flag")->setChecked(false);
            PressButton(pDialog, "OK");
        });
        QCOMPARE(dialog.DoModal(), int(CDialog::IDOK));
        QCOMPARE(nMode, 2);
        QVERIFY(!bFlag);
    }

    // A message that comes up during a wait is answered with the ordinary pointer; the wait goes on after.
    void messageDuringAWaitShowsThePointer()
    {
        CTestApp app;
        CWaitCursor wait;
        Qt::CursorShape eShape = Qt::WaitCursor;
        DriveNextModal([&](QWidget* pBox) {
            eShape = QApplication::overrideCursor()->shape();
            PressButton(pBox, "OK");
        });
        AfxMessageBox(QStringLiteral("Corrupted file"));
        QCOMPARE(eShape, Qt::ArrowCursor);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }

private:
    QSet<QWidget*> m_before;
};

QTEST_MAIN(CTestFramework)
#include "tst_framework.moc"
