// The small windows of the shell: the splash, the MDI background, the child frame and the progress
// dialog, inside the running application.
#include "app/LogoMdi.h"
#include "app/LumivoApp.h"
#include "app/MainFrame.h"
#include "app/SplashWnd.h"
#include "document/LumivoDoc.h"
#include "document/LumivoView.h"
#include "res/CommandIds.h"
#include "support/TestSupport.h"
#include "ui/ProgressDlg.h"

#include <FreeImage.h>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QtTest>
#include <memory>

namespace {

CMainFrame* MainFrame()
{
    return static_cast<CMainFrame*>(AfxGetMainWnd());
}

CLumivoView* ShowImage(int nWidth, int nHeight)
{
    return Show(FreeImage_Allocate(nWidth, nHeight, 24), QStringLiteral("Shell image"));
}

QString Field(QWidget* pDialog, const char* pszName)
{
    auto* pEdit = pDialog->findChild<QLineEdit*>(QString::fromLatin1(pszName));
    return pEdit ? pEdit->text() : QString();
}

// Records the region of every paint a widget receives.
class CPaintSpy : public QObject {
public:
    explicit CPaintSpy(QWidget* pWidget) { pWidget->installEventFilter(this); }
    QRegion m_rgnPainted;

protected:
    bool eventFilter(QObject*, QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::Paint)
            m_rgnPainted += static_cast<QPaintEvent*>(pEvent)->region();
        return false;
    }
};

} // namespace

class CTestShell : public CAppTestCase {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        CAppTestCase::initTestCase();
        // A start with the no-logo switch shows no splash.
        QVERIFY(!CSplashWnd::Current());
    }
    void cleanup()
    {
        if (CSplashWnd* pSplash = CSplashWnd::Current())
            pSplash->HideSplashScreen();
        CSplashWnd::EnableSplashScreen(false);
        CAppTestCase::cleanup();
    }

    // --- splash ------------------------------------------------------------------------------------

    void splashShowsCentredAndGoesAfterItsTime()
    {
        CSplashWnd::EnableSplashScreen(true);
        CSplashWnd::ShowSplashScreen(MainFrame());
        CSplashWnd* pSplash = CSplashWnd::Current();
        QVERIFY(pSplash);
        QVERIFY(pSplash->isVisible());
        QCOMPARE(pSplash->size(), QSize(520, 316));
        QCOMPARE(pSplash->geometry().center(), MainFrame()->frameGeometry().center());
        // At most one.
        CSplashWnd::ShowSplashScreen(MainFrame());
        QCOMPARE(CSplashWnd::Current(), pSplash);
        QTRY_VERIFY_WITH_TIMEOUT(!CSplashWnd::Current(), 3000);
    }

    void splashNotShownWhenDisabled()
    {
        CSplashWnd::EnableSplashScreen(false);
        CSplashWnd::ShowSplashScreen(MainFrame());
        QVERIFY(!CSplashWnd::Current());
    }

    void splashConsumesTheFirstPress_data()
    {
        QTest::addColumn<bool>("bKey");
        QTest::newRow("key") << true;
        QTest::newRow("right button") << false;
    }

    void splashConsumesTheFirstPress()
    {
        // "+" zooms in and the right button zooms out; while the splash is up neither does anything.
        QFETCH(bool, bKey);
        CLumivoView* pView = ShowImage(40, 30);
        pView->setFocus();
        const auto press = [&] {
            if (bKey)
                QTest::keyClick(pView, Qt::Key_Plus);
            else
                QTest::mouseClick(pView->viewport(), Qt::RightButton, {}, QPoint(5, 5));
        };
        CSplashWnd::EnableSplashScreen(true);
        CSplashWnd::ShowSplashScreen(MainFrame());
        QVERIFY(CSplashWnd::Current());
        press();
        QVERIFY(!CSplashWnd::Current());
        QCOMPARE(pView->m_dZoom, 1.0);
        // The keyboard is back with the main window and its view.
        QTRY_COMPARE(QApplication::activeWindow(), MainFrame());
        QCOMPARE(QApplication::focusWidget(), pView);
        press();
        QCOMPARE(pView->m_dZoom, bKey ? 2.0 : 0.5);
    }

    // --- MDI background ----------------------------------------------------------------------------

    void mdiBackgroundIsSolid()
    {
        CLogoMdi* pMdi = MainFrame()->GetLogoMdi();
        QCOMPARE(pMdi->m_crBackground, QColor(49, 67, 90));
        const auto isFilledWith = [pMdi](QColor colour) {
            const QImage shot = pMdi->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
            for (int y = 0; y < shot.height(); ++y)
                for (int x = 0; x < shot.width(); ++x)
                    if (shot.pixel(x, y) != colour.rgb())
                        return false;
            return !shot.isNull();
        };
        QVERIFY(isFilledWith(QColor(49, 67, 90)));
        pMdi->m_crBackground = QColor(200, 10, 10);
        QVERIFY(isFilledWith(QColor(200, 10, 10)));
        pMdi->m_crBackground = QColor(49, 67, 90);
    }

    void mdiRepaintsWhollyOnResize()
    {
        CLogoMdi* pMdi = MainFrame()->GetLogoMdi();
        CPaintSpy spy(pMdi->viewport());
        const QSize size = MainFrame()->size();
        MainFrame()->resize(size - QSize(30, 20));
        QTRY_VERIFY(!spy.m_rgnPainted.isEmpty());
        QTRY_COMPARE(spy.m_rgnPainted.boundingRect(), pMdi->viewport()->rect());
        spy.m_rgnPainted = QRegion();
        MainFrame()->resize(size);
        QTRY_COMPARE(spy.m_rgnPainted, QRegion(pMdi->viewport()->rect()));
    }

    // --- child frame -------------------------------------------------------------------------------

    void childFrameHasCaptionEdgeAndScrollBars()
    {
        CLumivoView* pView = ShowImage(3000, 2000);
        QMdiSubWindow* pFrame = pView->GetParentFrame();
        QVERIFY(pFrame->windowFlags() & Qt::WindowTitleHint);
        QCOMPARE(pFrame->windowTitle(), QStringLiteral("Shell image"));
        QCOMPARE(pView->frameShadow(), QFrame::Sunken);
        QVERIFY(pView->frameWidth() > 0);
        QVERIFY(pView->horizontalScrollBar()->isVisible() && pView->horizontalScrollBar()->isEnabled());
        QVERIFY(pView->verticalScrollBar()->isVisible() && pView->verticalScrollBar()->isEnabled());
    }

    void windowMenuListsTheOpenWindows()
    {
        CLumivoView* pFirst = ShowImage(30, 20);
        CLumivoView* pSecond = ShowImage(40, 20);
        QMenu* pWindowMenu = nullptr;
        for (QMenu* pMenu : MainFrame()->findChildren<QMenu*>())
            if (pMenu->actions().contains(MainFrame()->GetAction(ID_WINDOW_CASCADE)))
                pWindowMenu = pMenu;
        QVERIFY(pWindowMenu);
        auto fnListed = [&] {
            emit pWindowMenu->aboutToShow();
            QList<QAction*> listed;
            for (QAction* pAction : pWindowMenu->actions())
                if (pAction->isCheckable())
                    listed.append(pAction);
            return listed;
        };
        QList<QAction*> listed = fnListed();
        QCOMPARE(listed.size(), 2);
        QCOMPARE(listed[0]->text(), QStringLiteral("&1 ") + pFirst->GetParentFrame()->windowTitle());
        QCOMPARE(listed[1]->text(), QStringLiteral("&2 ") + pSecond->GetParentFrame()->windowTitle());
        QVERIFY(!listed[0]->isChecked() && listed[1]->isChecked());
        listed[0]->trigger();
        QCOMPARE(MainFrame()->GetActiveView(), pFirst);
        QCOMPARE(fnListed().size(), 2); // shown again: listed once, not appended
    }

    // --- progress dialog ---------------------------------------------------------------------------

    void progressPercentages()
    {
        CProgressDlg dialog;
        QVERIFY(dialog.Create(MainFrame()));
        auto* pPercent = dialog.findChild<QLabel*>("percent");
        auto* pBar = dialog.findChild<QProgressBar*>("progress");
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Progress"));
        QCOMPARE(pPercent->text(), QStringLiteral(" 0 %"));
        QCOMPARE(pBar->value(), 0);
        QStringList shown;
        for (int i = 0; i < 12; ++i) {
            dialog.StepIt();
            shown << pPercent->text();
        }
        QCOMPARE(shown,
                 (QStringList{"10%", "20%", "30%", "40%", "50%", "60%", "70%", "80%", "90%", "100%", "10%", "20%"}));
        QCOMPARE(pBar->value(), 20); // the bar wrapped past its end
        dialog.DestroyWindow();
    }

    void progressDisablesItsOwner()
    {
        {
            CProgressDlg dialog(IDS_BATCH_PROGRESS);
            QVERIFY(dialog.Create(nullptr)); // the main window by default
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Converting files progress ..."));
            QVERIFY(dialog.isVisible());
            QVERIFY(!MainFrame()->isEnabled());
            QVERIFY(dialog.isEnabled());
            dialog.DestroyWindow();
            QVERIFY(MainFrame()->isEnabled());
            QVERIFY(!dialog.isVisible());
        }
        // An owner that was disabled already stays so.
        MainFrame()->setEnabled(false);
        {
            CProgressDlg dialog;
            dialog.Create(MainFrame());
            dialog.DestroyWindow();
        }
        QVERIFY(!MainFrame()->isEnabled());
        MainFrame()->setEnabled(true);
        // Destroyed without DestroyWindow: the owner comes back all the same.
        {
            CProgressDlg dialog;
            dialog.Create(MainFrame());
        }
        QVERIFY(MainFrame()->isEnabled());
    }

    void progressCancelIsNotedWhileSteppingRunsEvents()
    {
        CProgressDlg dialog;
        dialog.Create(MainFrame());
        auto* pCancel = dialog.findChild<QPushButton*>();
        QVERIFY(pCancel && pCancel->text() == QStringLiteral("Cancel"));
        // A click waiting in the queue is handled by the next step.
        QTimer::singleShot(0, pCancel, [pCancel] { QTest::mouseClick(pCancel, Qt::LeftButton); });
        QVERIFY(!dialog.CheckCancelButton());
        dialog.StepIt();
        QVERIFY(dialog.CheckCancelButton());
        QVERIFY(dialog.isVisible()); // Cancel only notes the request
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(dialog.isVisible());
        dialog.DestroyWindow();
    }

    // --- background colour ------------------------------------------------------------------------

    void backgroundColourCommand_data()
    {
        QTest::addColumn<QString>("strButton");
        QTest::addColumn<QString>("strRed");
        QTest::addColumn<QColor>("crAfter");
        QTest::newRow("OK") << "OK"
                            << "200" << QColor(200, 67, 90);
        QTest::newRow("OK unchanged") << "OK" << QString() << QColor(49, 67, 90);
        QTest::newRow("Cancel") << "Cancel"
                                << "200" << QColor(49, 67, 90);
    }
    void backgroundColourCommand()
    {
        QFETCH(QString, strButton);
        QFETCH(QString, strRed);
        QFETCH(QColor, crAfter);
        CLogoMdi* pMdi = MainFrame()->GetLogoMdi();
        pMdi->m_crBackground = QColor(49, 67, 90);
        CPaintSpy paints(pMdi->viewport());
        QColor crShown;
        DriveNextModal([&](QWidget* pDialog) {
            crShown = QColor(Field(pDialog, "edit1002").toInt(),
                             Field(pDialog, "edit1004").toInt(),
                             Field(pDialog, "edit1006").toInt());
            if (!strRed.isEmpty())
                FillField(pDialog, "edit1002", strRed);
            PressButton(pDialog, strButton);
        });
        QVERIFY(MainFrame()->ExecuteCommand(ID_VIEW_BACKGROUND_COLOR));
        QCOMPARE(crShown, QColor(49, 67, 90));
        QCOMPARE(pMdi->m_crBackground, crAfter);
        if (strButton == QLatin1String("OK"))
            QTRY_VERIFY(!paints.m_rgnPainted.isEmpty());
    }
};

QTEST_MAIN(CTestShell)
#include "tst_shell.moc"
