// Start-up, the main frame, recent files, dropped files and the menus as a user meets them.
#include "app/LumivoApp.h"
#include "app/SplashWnd.h"
#include "document/LumivoDoc.h"
#include "framework/DocTemplate.h"
#include "framework/FrameWnd.h"
#include "res/CommandIds.h"
#include "support/TestSupport.h"

#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QPrinter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>
#include <tuple>

namespace {
QStringList MenuTitles(QMainWindow* pFrame)
{
    QStringList titles;
    for (QAction* pAction : pFrame->menuBar()->actions())
        titles.append(pAction->text());
    return titles;
}

QStringList WindowTitles(CWinApp& app)
{
    QStringList titles;
    for (QMdiSubWindow* pFrame : app.GetMainWnd()->GetMDIClient()->subWindowList(QMdiArea::CreationOrder))
        titles.append(pFrame->windowTitle());
    return titles;
}

void Drop(QWidget* pTarget, const QStringList& paths)
{
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& strPath : paths)
        urls.append(QUrl::fromLocalFile(strPath));
    mime.setUrls(urls);
    // The drop goes where the drag entered, as with a real drag.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pTarget, &enter);
    QDropEvent event(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pTarget, &event);
}
} // namespace

class CTestApp : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        for (const char* name : {"a.png", "b.bmp", "c.tga"})
            QVERIFY(WriteTestImage(m_dir.filePath(name), 40, 30));
    }
    void init()
    {
        m_before = TopLevelWidgets();
        QSettings(QStringLiteral("Lumivo"), QStringLiteral("Lumivo")).clear();
    }
    void cleanup()
    {
        CheckModalsDriven();
        QCOMPARE(TopLevelWidgets(), m_before);
    }

    void startWithoutArgumentsOpensNothing()
    {
        CLumivoApp app;
        QVERIFY(app.InitInstance({}));
        QVERIFY(app.GetMainWnd()->isVisible());
        QVERIFY(app.m_pDocTemplate->GetDocuments().empty());
        QCOMPARE(app.GetMainWnd()->windowTitle(), QStringLiteral("Lumivo"));
        QCOMPARE(MenuTitles(app.GetMainWnd()), (QStringList{"&File", "&View", "&Tools", "&Help"}));
        // The splash shows without the no-logo switch.
        QVERIFY(CSplashWnd::Current());
    }

    void pathArgumentOpensTheImageWithItsStatus()
    {
        CLumivoApp app;
        QVERIFY(app.InitInstance({"-nologo", m_dir.filePath("a.png")}));
        QVERIFY(!CSplashWnd::Current());
        QCOMPARE(WindowTitles(app), QStringList{"a.png"});
        CMDIFrameWnd* pFrame = app.GetMainWnd();
        QCOMPARE(pFrame->GetPaneText(ID_INDICATOR_IMAGE), QStringLiteral("[40x30x24]"));
        QVERIFY(pFrame->GetPaneText(ID_INDICATOR_TIME).startsWith("Time : 0."));
        QCOMPARE(MenuTitles(pFrame),
                 (QStringList{"&File", "&Edit", "&View", "&Image", "C&olor", "&Tools", "&Window", "&Help"}));
    }

    void switchAloneGivesAnEmptyDocument()
    {
        CLumivoApp app;
        QVERIFY(app.InitInstance({"--nologo"}));
        QCOMPARE(WindowTitles(app), QStringList{"Lumivo1"});
        // New gives the next number; Close All closes every window without asking.
        QVERIFY(app.GetMainWnd()->ExecuteCommand(ID_FILE_NEW));
        QVERIFY(app.GetMainWnd()->ExecuteCommand(ID_FILE_NEW));
        QCOMPARE(WindowTitles(app), (QStringList{"Lumivo1", "Lumivo2", "Lumivo3"}));
        QVERIFY(app.GetMainWnd()->ExecuteCommand(ID_WINDOW_CLOSE_ALL));
        QVERIFY(WindowTitles(app).isEmpty());
        QCOMPARE(MenuTitles(app.GetMainWnd()).size(), 4);
    }

    void unreadableCommandLineFileEndsStartUp()
    {
        QTemporaryDir dir;
        QFile bad(dir.filePath("bad.png"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("\x89PNG\r\n\x1a\nnot really");
        bad.close();
        CLumivoApp app;
        QVERIFY(!app.InitInstance({"-nologo", bad.fileName()}));
    }

    // -p prints the file and ends the program: it succeeds when the page went out, not merely when the
    // command ran, and without a file there is nothing to print.
    void printSwitchSaysWhetherAPageWentOut()
    {
        const QString strPdf = m_dir.filePath("page.pdf");
        for (const auto& [args, strOutput, nExit] :
             {std::tuple{QStringList{"-nologo", "-p", m_dir.filePath("a.png")}, strPdf, 0},
              std::tuple{QStringList{"-nologo", "-p", m_dir.filePath("a.png")}, m_dir.filePath("none/page.pdf"), 1},
              std::tuple{QStringList{"-nologo", "-p"}, strPdf, 1}}) {
            QFile::remove(strPdf);
            CLumivoApp app;
            app.GetPrinter().setOutputFormat(QPrinter::PdfFormat);
            app.GetPrinter().setOutputFileName(strOutput);
            QVERIFY(!app.InitInstance(args));
            QCOMPARE(app.ExitCode(), nExit);
            QCOMPARE(QFileInfo::exists(strPdf), nExit == 0);
        }
    }

    void recentFilesSurviveARestart()
    {
        {
            CLumivoApp app;
            QVERIFY(app.InitInstance({"-nologo"}));
            for (const char* name : {"a.png", "b.bmp", "c.tga", "a.png"})
                QVERIFY(app.OpenDocumentFile(m_dir.filePath(name)));
        }
        CLumivoApp app;
        QVERIFY(app.InitInstance({"-nologo"}));
        // Opening an open file again only activates it: the list keeps its order.
        const QStringList expected{m_dir.filePath("c.tga"), m_dir.filePath("b.bmp"), m_dir.filePath("a.png")};
        QCOMPARE(app.GetRecentFileList(), expected);
        app.GetMainWnd()->UpdateCommandUI();
        QCOMPARE(app.GetMainWnd()->GetAction(ID_FILE_MRU_FILE2)->text(), "&2 " + expected.at(1));
        QVERIFY(!app.GetMainWnd()->GetAction(ID_FILE_MRU_FILE4)->isVisible());
        QVERIFY(app.GetMainWnd()->ExecuteCommand(ID_FILE_MRU_FILE3));
        QCOMPARE(WindowTitles(app).last(), QStringLiteral("a.png"));
    }

    void recentListKeepsFiveEntries()
    {
        CLumivoApp app;
        QVERIFY(app.InitInstance({"-nologo"}));
        for (int i = 0; i < 7; ++i) {
            const QString strPath = m_dir.filePath(QStringLiteral("r%1.png").arg(i));
            QVERIFY(WriteTestImage(strPath, 4, 4));
            QVERIFY(app.OpenDocumentFile(strPath));
        }
        QCOMPARE(app.GetRecentFileList().size(), 5);
        QCOMPARE(app.GetRecentFileList().first(), m_dir.filePath("r6.png"));

        // An '&' in a name is shown, not taken for a shortcut mark.
        QVERIFY(WriteTestImage(m_dir.filePath("R&D.png"), 4, 4));
        QVERIFY(app.OpenDocumentFile(m_dir.filePath("R&D.png")));
        app.GetMainWnd()->UpdateCommandUI();
        QCOMPARE(app.GetMainWnd()->GetAction(ID_FILE_MRU_FILE1)->text(), "&1 " + m_dir.filePath("R&&D.png"));
        // An entry that no longer opens leaves the list when it is chosen.
        app.CloseAllDocuments();
        QVERIFY(QFile::remove(m_dir.filePath("r6.png")));
        DriveNextModal([](QWidget* pBox) { PressButton(pBox, "OK"); }); // "Failed to open document."
        QVERIFY(app.GetMainWnd()->ExecuteCommand(ID_FILE_MRU_FILE2));
        QVERIFY(!app.GetRecentFileList().contains(m_dir.filePath("r6.png")));
        QCOMPARE(app.GetRecentFileList().size(), 4);
    }

    void droppedFilesOpenInOrderAndActivateOpenOnes()
    {
        CLumivoApp app;
        QVERIFY(app.InitInstance({}));
        QMainWindow* pFrame = app.GetMainWnd();
        Drop(pFrame, {m_dir.filePath("c.tga"), m_dir.filePath("a.png"), m_dir.filePath("b.bmp")});
        QCOMPARE(WindowTitles(app), (QStringList{"c.tga", "a.png", "b.bmp"}));
        Drop(pFrame, {m_dir.filePath("a.png")});
        QCOMPARE(WindowTitles(app).size(), 3);
        QCOMPARE(app.GetMainWnd()->GetActiveDocument()->GetTitle(), QStringLiteral("a.png"));
    }

    void toolbarsAndStatusBarAsBuilt()
    {
        CLumivoApp app;
        QVERIFY(app.InitInstance({"-nologo"}));
        CMDIFrameWnd* pFrame = app.GetMainWnd();
        struct SExpect {
            int nId;
            Qt::ToolBarArea eArea;
            Qt::ToolBarAreas allowed;
            bool bVisible;
            int nButtons;
        };
        const SExpect expected[] = {{IDR_MAINFRAME, Qt::TopToolBarArea, Qt::AllToolBarAreas, true, 13},
                                    {IDR_TOOLBAR_MORPH, Qt::TopToolBarArea, Qt::TopToolBarArea, false, 4},
                                    {IDR_TOOLBAR_EFFECTS, Qt::LeftToolBarArea, Qt::AllToolBarAreas, false, 11},
                                    {IDR_TOOLBAR_FILTERS, Qt::LeftToolBarArea, Qt::AllToolBarAreas, false, 11},
                                    {IDR_TOOLBAR_CONTRAST, Qt::TopToolBarArea, Qt::AllToolBarAreas, false, 5}};
        QCOMPARE(pFrame->GetToolBars().size(), std::size(expected));
        for (const SExpect& e : expected) {
            QToolBar* pBar = pFrame->GetToolBar(e.nId);
            QVERIFY(pBar);
            QCOMPARE(pFrame->toolBarArea(pBar), e.eArea);
            QCOMPARE(pBar->allowedAreas(), e.allowed);
            QCOMPARE(pBar->isVisible(), e.bVisible);
            int nButtons = 0;
            for (QAction* pAction : pBar->actions())
                nButtons += !pAction->isSeparator();
            QCOMPARE(nButtons, e.nButtons);
        }
        // The View menu's Toolbar item acts on the Normal toolbar.
        QVERIFY(pFrame->ExecuteCommand(ID_VIEW_TOOLBAR));
        QVERIFY(!pFrame->GetToolBar(IDR_MAINFRAME)->isVisible());
        QVERIFY(pFrame->GetToolBar(IDR_MAINFRAME)->isHidden());
    }

    void commandsWithoutHandlerAreDisabled()
    {
        CLumivoApp app;
        QVERIFY(app.InitInstance({"-nologo", m_dir.filePath("a.png")}));
        CMDIFrameWnd* pFrame = app.GetMainWnd();
        pFrame->UpdateCommandUI();
        for (int nId : {int(ID_EDIT_CUT), int(ID_EDIT_UNDO)})
            QVERIFY(!pFrame->GetAction(nId)->isEnabled());
        for (int nId : {int(ID_FILE_OPEN), int(ID_FILE_SAVE_AS), int(ID_WINDOW_CLOSE_ALL), int(ID_APP_ABOUT)})
            QVERIFY2(pFrame->GetAction(nId)->isEnabled(), qPrintable(QString::number(nId)));
    }

    void openWithoutDocumentIsAnsweredByTheFrame()
    {
        CLumivoApp app;
        QVERIFY(app.InitInstance({}));
        QString strFilter;
        DriveNextModal([&](QWidget* pModal) {
            auto* pDialog = qobject_cast<QFileDialog*>(pModal);
            QVERIFY(pDialog);
            strFilter = pDialog->selectedNameFilter();
            ChooseFile(pDialog, m_dir.filePath("b.bmp"));
        });
        QVERIFY(app.GetMainWnd()->ExecuteCommand(ID_FILE_OPEN));
        QCOMPARE(strFilter, QStringLiteral("All Files (*.*)"));
        QCOMPARE(WindowTitles(app), QStringList{"b.bmp"});
    }

private:
    QTemporaryDir m_dir;
    QSet<QWidget*> m_before;
};

QTEST_MAIN(CTestApp)
#include "tst_app.moc"
