// The toolbars dialog with its list control, and the about box's hyperlink opening an address.
#include "app/LumivoApp.h"
#include "app/MainFrame.h"
#include "res/CommandIds.h"
#include "support/TestSupport.h"
#include "ui/AboutDlg.h"
#include "ui/DialogToolbars.h"
#include "ui/DlgUsage.h"
#include "ui/HyperLink.h"
#include "ui/XHeaderCtrl.h"
#include "ui/XListCtrl.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>
#include <map>
#include <memory>
#include <optional>

namespace {

CMainFrame* MainFrame()
{
    return static_cast<CMainFrame*>(AfxGetMainWnd());
}

// Sets environment variables for its lifetime.
class CScopedEnv {
public:
    ~CScopedEnv()
    {
        for (const auto& [name, value] : m_saved)
            value ? qputenv(name.constData(), *value) : qunsetenv(name.constData());
    }
    void Set(const char* pszName, const QByteArray& value)
    {
        Save(pszName);
        qputenv(pszName, value);
    }
    void Unset(const char* pszName)
    {
        Save(pszName);
        qunsetenv(pszName);
    }

private:
    void Save(const QByteArray& name)
    {
        if (!m_saved.count(name))
            m_saved[name] = qEnvironmentVariableIsSet(name.constData()) ? std::optional(qgetenv(name.constData()))
                                                                        : std::nullopt;
    }
    std::map<QByteArray, std::optional<QByteArray>> m_saved;
};

QPoint CellCentre(CXListCtrl* pList, int nRow, int nCol)
{
    return pList->visualRect(pList->model()->index(nRow, nCol)).center();
}

void ClickHeader(CXListCtrl* pList, int nCol)
{
    CXHeaderCtrl* pHeader = pList->GetHeaderCtrl();
    QTest::mouseClick(pHeader->viewport(), Qt::LeftButton, {},
                      QPoint(pHeader->sectionViewportPosition(nCol) + pHeader->sectionSize(nCol) / 2, pHeader->height() / 2));
}

QVector<int> ColumnStates(CXListCtrl* pList, int nCol)
{
    QVector<int> states;
    for (int nRow = 0; nRow < pList->GetItemCount(); ++nRow)
        states.append(pList->GetCheckbox(nRow, nCol));
    return states;
}

} // namespace

class CTestUi : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<CLumivoApp> m_pApp;
    QSet<QWidget*> m_windowsBefore;
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        m_pApp = std::make_unique<CLumivoApp>();
        QVERIFY(m_pApp->InitInstance({QStringLiteral("-nologo")}));
        QVERIFY(QTest::qWaitForWindowExposed(MainFrame()));
        m_windowsBefore = TopLevelWidgets();
    }

    void cleanup() { QCOMPARE(TopLevelWidgets(), m_windowsBefore); }

    void cleanupTestCase() { m_pApp.reset(); }

    // --- list control ------------------------------------------------------------------------------

    void headerCheckBoxFollowsItsColumn()
    {
        CXListCtrl list;
        list.InsertColumn(QStringLiteral("Enable"), CXListCtrl::LVCFMT_CENTER, 60);
        list.InsertColumn(QStringLiteral("Name"), CXListCtrl::LVCFMT_LEFT, 120);
        CXHeaderCtrl* pHeader = list.GetHeaderCtrl();
        pHeader->SetImageList({list.CheckBoxImage(false), list.CheckBoxImage(true)});
        pHeader->SetItemImage(0, CXListCtrl::HEADER_UNCHECKED);
        for (int nRow = 0; nRow < 3; ++nRow)
            list.InsertItem(nRow, QString());
        list.resize(200, 150);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));

        // Out of range reads give -1; a new cell has no check box.
        for (auto [nRow, nCol] : {std::pair{-1, 0}, {3, 0}, {0, -1}, {0, 2}, {0, 0}})
            QCOMPARE(list.GetCheckbox(nRow, nCol), -1);

        // From code: checked exactly when every cell with a box is checked; a cell without a box does
        // not hold the header back.
        list.SetCheckbox(0, 0, 1);
        list.SetCheckbox(1, 0, 1);
        QCOMPARE(pHeader->GetItemImage(0), int(CXListCtrl::HEADER_CHECKED));
        list.SetCheckbox(2, 0, 0);
        QCOMPARE(pHeader->GetItemImage(0), int(CXListCtrl::HEADER_UNCHECKED));

        // A click on a cell with a box toggles it; a cell without one stays as it is.
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, CellCentre(&list, 2, 0));
        QCOMPARE(ColumnStates(&list, 0), (QVector<int>{1, 1, 1}));
        QCOMPARE(pHeader->GetItemImage(0), int(CXListCtrl::HEADER_CHECKED));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, CellCentre(&list, 0, 1));
        QCOMPARE(list.GetCheckbox(0, 1), -1);

        // The header click sets every box of the column; a cell without a box keeps none.
        list.SetCheckbox(1, 0, -1);
        ClickHeader(&list, 0);
        QCOMPARE(ColumnStates(&list, 0), (QVector<int>{0, -1, 0}));
        QCOMPARE(pHeader->GetItemImage(0), int(CXListCtrl::HEADER_UNCHECKED));
        ClickHeader(&list, 0);
        QCOMPARE(ColumnStates(&list, 0), (QVector<int>{1, -1, 1}));
        QCOMPARE(pHeader->GetItemImage(0), int(CXListCtrl::HEADER_CHECKED));

        // A column whose header shows no box ignores header clicks.
        list.SetCheckbox(0, 1, 0);
        ClickHeader(&list, 1);
        QCOMPARE(list.GetCheckbox(0, 1), 0);
        QCOMPARE(pHeader->GetItemImage(1), -1);
    }

    void emptyListSaysSoBelowTheHeader()
    {
        CXListCtrl list;
        list.InsertColumn(QStringLiteral("Name"), CXListCtrl::LVCFMT_LEFT, 200);
        list.resize(220, 120);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        // Text pixels start 10 pixels below the header, never above.
        const QImage image = list.viewport()->grab().toImage();
        const QRgb rgbBase = list.palette().color(QPalette::Base).rgb();
        const auto inkRows = [&](int nTop, int nBottom) {
            int nInk = 0;
            for (int y = nTop; y < nBottom; ++y)
                for (int x = 0; x < image.width(); ++x)
                    nInk += image.pixel(x, y) != rgbBase;
            return nInk;
        };
        QCOMPARE(inkRows(0, 10), 0);
        QVERIFY(inkRows(10, image.height()) > 0);
        list.InsertItem(0, QStringLiteral("row"));
        QCOMPARE(list.GetItemText(0, 0), QStringLiteral("row"));
    }

    // --- toolbars dialog ---------------------------------------------------------------------------

    void toolbarsDialog_data()
    {
        QTest::addColumn<bool>("bOk");
        QTest::newRow("OK hides them all") << true;
        QTest::newRow("Cancel changes nothing") << false;
    }

    void toolbarsDialog()
    {
        QFETCH(bool, bOk);
        const std::vector<QToolBar*>& bars = MainFrame()->GetToolBars();
        for (QToolBar* pBar : bars)
            pBar->setVisible(true);

        QStringList names;
        QVector<int> headerImages;
        DriveNextModal([&](QWidget* pModal) {
            auto* pDialog = qobject_cast<CDialogToolbars*>(pModal);
            if (!pDialog) {
                pModal->close();
                return;
            }
            CXListCtrl* pList = pDialog->GetList();
            CXHeaderCtrl* pHeader = pList->GetHeaderCtrl();
            for (int nRow = 0; nRow < pList->GetItemCount(); ++nRow)
                names.append(pList->GetItemText(nRow, 1));
            // All shown: checked; one row unchecked: empty; header click: all checked, again: none.
            headerImages.append(pHeader->GetItemImage(0));
            QTest::mouseClick(pList->viewport(), Qt::LeftButton, {}, CellCentre(pList, 3, 0));
            headerImages.append(pHeader->GetItemImage(0));
            ClickHeader(pList, 0);
            headerImages.append(pHeader->GetItemImage(0));
            headerImages += ColumnStates(pList, 0);
            ClickHeader(pList, 0);
            headerImages.append(pHeader->GetItemImage(0));
            headerImages += ColumnStates(pList, 0);
            PressButton(pDialog, bOk ? QStringLiteral("OK") : QStringLiteral("Cancel"));
        });
        QVERIFY(MainFrame()->ExecuteCommand(ID_VIEW_TOOLBARS_DIALOG));
        QCOMPARE(names, (QStringList{"Effects Toolbar", "Filters Toolbar", "Morphological Operation Toolbar",
                                     "Normal Toolbar", "Contrast Toolbar"}));
        QCOMPARE(headerImages, (QVector<int>{1, 0, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0}));
        for (QToolBar* pBar : bars)
            QCOMPARE(pBar->isHidden(), bOk);
        // Back to the start: only the Normal toolbar.
        for (QToolBar* pBar : bars)
            pBar->setVisible(pBar == MainFrame()->GetToolBar(IDR_MAINFRAME));
    }

    // --- hyperlink ---------------------------------------------------------------------------------

    void hyperlinkOpensWithBrowserWhenTheDesktopCannot_data()
    {
        QTest::addColumn<QString>("strCommand"); // %1 is the recording script
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("address appended") << "%1:/no/such/second" << QStringList{g_szWebSite};
        QTest::newRow("%s replaced") << "%1 --new-tab %s" << QStringList{"--new-tab", g_szWebSite};
    }

    void hyperlinkOpensWithBrowserWhenTheDesktopCannot()
    {
        QFETCH(QString, strCommand);
        QFETCH(QStringList, expected);
        // No desktop opener on the path; $BROWSER is a script that records its arguments.
        const QString strRecord = m_dir.filePath(QStringLiteral("args.txt"));
        QFile::remove(strRecord);
        const QString strScript = m_dir.filePath(QStringLiteral("browser.sh"));
        QFile script(strScript);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > %1\n")
                         .arg(strRecord)
                         .toUtf8());
        script.close();
        script.setPermissions(script.permissions() | QFile::ExeOwner);
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("empty")));
        CScopedEnv env;
        env.Set("PATH", m_dir.filePath(QStringLiteral("empty")).toUtf8());
        env.Set("BROWSER", strCommand.arg(strScript).toUtf8());

        QColor crBefore, crAfter;
        bool bVisited = false;
        DriveNextModal([&](QWidget* pModal) {
            auto* pLink = pModal->findChild<CHyperLink*>();
            if (pLink) {
                crBefore = pLink->GetTextColour();
                QTest::mouseClick(pLink, Qt::LeftButton, {}, pLink->rect().center());
                bVisited = pLink->GetVisited();
                crAfter = pLink->GetTextColour();
            }
            pModal->close();
        });
        QVERIFY(MainFrame()->ExecuteCommand(ID_APP_ABOUT));
        const auto recorded = [&] {
            QFile record(strRecord);
            return record.open(QIODevice::ReadOnly)
                       ? QString::fromUtf8(record.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                       : QStringList();
        };
        QTRY_COMPARE(recorded(), expected);
        QCOMPARE(crBefore, QColor(0, 0, 238));
        QVERIFY(bVisited);
        QCOMPARE(crAfter, QColor(85, 26, 139));
    }

    void hyperlinkUnderlinedAndRedOnlyWhileHovered()
    {
        // An empty text shows the address; the tooltip names the address until one is given.
        CHyperLink link(QString(), nullptr, QStringLiteral("https://lumivo.example.org/"));
        QCOMPARE(link.text(), QStringLiteral("https://lumivo.example.org/"));
        QCOMPARE(link.toolTip(), link.text());
        QCOMPARE(link.cursor().shape(), Qt::PointingHandCursor);
        link.show();
        QVERIFY(QTest::qWaitForWindowExposed(&link));

        QCursor::setPos(link.mapToGlobal(link.rect().center()));
        QMouseEvent move(QEvent::MouseMove, link.rect().center(), link.mapToGlobal(link.rect().center()),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&link, &move);
        QCOMPARE(link.GetTextColour(), QColor(255, 0, 0));
        QVERIFY(link.font().underline());
        // Still over it after the hover test, and back to plain once the pointer has left.
        QTest::qWait(250);
        QVERIFY(link.font().underline());
        QCursor::setPos(link.mapToGlobal(link.rect().bottomRight() + QPoint(50, 50)));
        QTRY_COMPARE(link.GetTextColour(), QColor(0, 0, 238));
        QVERIFY(!link.font().underline());
    }

    void usageNotice_data()
    {
        QTest::addColumn<int>("nId");
        QTest::newRow("32861") << int(ID_HELP_USAGE);
        QTest::newRow("32862") << int(ID_HELP_USAGE2);
    }

    void usageNotice()
    {
        QFETCH(int, nId);
        QString strTitle;
        QStringList lines;
        DriveNextModal([&](QWidget* pModal) {
            if (qobject_cast<CDlgUsage*>(pModal)) {
                strTitle = pModal->windowTitle();
                for (const QLabel* pLabel : pModal->findChildren<QLabel*>())
                    lines.append(pLabel->text());
            }
            pModal->close();
        });
        MainFrame()->UpdateCommandUI();
        QVERIFY(MainFrame()->GetAction(nId)->isEnabled());
        QVERIFY(MainFrame()->ExecuteCommand(nId));
        QCOMPARE(strTitle, QStringLiteral("Usage"));
        QVERIFY(lines.contains(QStringLiteral("Any suggestions, feedback and comments are appreciated.")));
    }

    void hyperlinkFailureBox_data()
    {
        QTest::addColumn<bool>("bDesktopOpener"); // xdg-open on the path, with no handler to find
        QTest::addColumn<QString>("strBrowser");   // empty: $BROWSER unset
        QTest::addColumn<QString>("strReason");
        const QString strNoHandler = "There is no application associated\nwith the given filename extension.";
        const QString strNotFound = "The specified file was not found.";
        QTest::newRow("no opener, no browser") << false << QString() << strNoHandler;
        QTest::newRow("no handler, no browser") << true << QString() << strNoHandler;
        QTest::newRow("no handler, browser missing") << true << "/no/such/browser %s" << strNotFound;
        QTest::newRow("no opener, browser not on path") << false << "no-such-browser" << strNotFound;
    }

    void hyperlinkFailureBox()
    {
        QFETCH(bool, bDesktopOpener);
        QFETCH(QString, strBrowser);
        QFETCH(QString, strReason);
        CScopedEnv env;
        const QString strEmpty = m_dir.filePath(QStringLiteral("empty"));
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("empty")));
        if (bDesktopOpener) {
            if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
                QSKIP("xdg-open is not installed");
            // Without a display or a desktop session xdg-open falls back to these browsers.
            for (const char* pszBrowser : {"www-browser", "links2", "elinks", "links", "lynx", "w3m"})
                if (!QStandardPaths::findExecutable(QString::fromLatin1(pszBrowser)).isEmpty())
                    QSKIP("a text browser is installed: xdg-open would find a handler");
            for (const char* pszName : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION",
                                        "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID",
                                        "DBUS_SESSION_BUS_ADDRESS"})
                env.Unset(pszName);
            for (const char* pszName : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"})
                env.Set(pszName, strEmpty.toUtf8());
        } else {
            env.Set("PATH", strEmpty.toUtf8());
        }
        if (strBrowser.isEmpty())
            env.Unset("BROWSER");
        else
            env.Set("BROWSER", strBrowser.toUtf8());

        QString strMessage;
        bool bVisited = true;
        QColor crAfter;
        DriveModals({[&](QWidget* pModal) {
                         if (auto* pLink = pModal->findChild<CHyperLink*>()) {
                             QTest::mouseClick(pLink, Qt::LeftButton, {}, pLink->rect().center());
                             bVisited = pLink->GetVisited();
                             crAfter = pLink->GetTextColour();
                         }
                         pModal->close();
                     },
                     [&](QWidget* pModal) {
                         strMessage = MessageBoxText(pModal);
                         pModal->close();
                     }},
                    10000);
        QVERIFY(MainFrame()->ExecuteCommand(ID_APP_ABOUT));
        QCOMPARE(strMessage, "Unable to open hyperlink:\n\n" + strReason);
        QVERIFY(!bVisited);
        QCOMPARE(crAfter, QColor(0, 0, 238));
    }
};

QTEST_MAIN(CTestUi)
#include "tst_ui.moc"
