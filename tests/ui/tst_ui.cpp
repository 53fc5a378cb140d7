// The toolbars dialog with its list control, and the about box's hyperlink opening an address.
#include "framework/FrameWnd.h"
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
#include <memory>

namespace {

// Sets environment variables (an empty value unsets one) and restores them when it goes.
class CScopedEnv {
public:
    ~CScopedEnv()
    {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it)
            Put(it->first, it->second);
    }
    void Set(const char* pszName, const QByteArray& value)
    {
        m_saved.emplace_back(pszName, qgetenv(pszName));
        Put(pszName, value);
    }

private:
    static void Put(const QByteArray& name, const QByteArray& value)
    {
        value.isEmpty() ? qunsetenv(name.constData()) : qputenv(name.constData(), value);
    }
    std::vector<std::pair<QByteArray, QByteArray>> m_saved;
};

QPoint CellCentre(CXListCtrl* pList, int nRow, int nCol)
{
    return pList->visualRect(pList->model()->index(nRow, nCol)).center();
}

void ClickHeader(CXListCtrl* pList, int nCol)
{
    CXHeaderCtrl* pHeader = pList->GetHeaderCtrl();
    QTest::mouseClick(
        pHeader->viewport(), Qt::LeftButton, {},
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
    CAppFixture m_app;
    QSet<QWidget*> m_windowsBefore;
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_app.Start());
        QVERIFY(QTest::qWaitForWindowExposed(MainWnd()));
        m_windowsBefore = TopLevelWidgets();
    }

    void cleanup() { QCOMPARE(TopLevelWidgets(), m_windowsBefore); }

    void cleanupTestCase() { m_app.Stop(); }

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

        // The header click sets every box of the column; a cell without a box keeps none.
        list.SetCheckbox(1, 0, -1);
        ClickHeader(&list, 0);
        QCOMPARE(ColumnStates(&list, 0), (QVector<int>{1, -1, 1}));
        QCOMPARE(pHeader->GetItemImage(0), int(CXListCtrl::HEADER_CHECKED));
        ClickHeader(&list, 0);
        QCOMPARE(ColumnStates(&list, 0), (QVector<int>{0, -1, 0}));
        QCOMPARE(pHeader->GetItemImage(0), int(CXListCtrl::HEADER_UNCHECKED));
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
        const std::vector<QToolBar*>& bars = MainWnd()->GetToolBars();
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
        QVERIFY(MainWnd()->ExecuteCommand(ID_VIEW_TOOLBARS_DIALOG));
        QCOMPARE(names, (QStringList{"Effects Toolbar", "Filters Toolbar", "Morphological Operation Toolbar",
                                     "Normal Toolbar", "Contrast Toolbar"}));
        QCOMPARE(headerImages, (QVector<int>{1, 0, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0}));
        for (QToolBar* pBar : bars)
            QCOMPARE(pBar->isHidden(), bOk);
        // Back to the start: only the Normal toolbar.
        for (QToolBar* pBar : bars)
            pBar->setVisible(pBar == MainWnd()->GetToolBar(IDR_MAINFRAME));
    }

    // --- hyperlink ---------------------------------------------------------------------------------

    void hyperlinkUnderlinedAndRedOnlyWhileHovered()
    {
        // An empty text shows the address.
        CHyperLink link(QString(), nullptr, QStringLiteral("https://lumivo.example.org/"));
        QCOMPARE(link.text(), QStringLiteral("https://lumivo.example.org/"));
        link.show();
        QVERIFY(QTest::qWaitForWindowExposed(&link));

        QCursor::setPos(link.mapToGlobal(link.rect().center()));
        QMouseEvent move(QEvent::MouseMove, link.rect().center(), link.mapToGlobal(link.rect().center()), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
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

    void usageNoticeOnBothCommands()
    {
        for (int nId : {int(ID_HELP_USAGE), int(ID_HELP_USAGE2)}) {
            QString strTitle;
            DriveNextModal([&](QWidget* pModal) {
                strTitle = qobject_cast<CDlgUsage*>(pModal) ? pModal->windowTitle() : QString();
                pModal->close();
            });
            QVERIFY(MainWnd()->ExecuteCommand(nId));
            QCOMPARE(strTitle, QStringLiteral("Usage"));
        }
    }

    void hyperlinkOpening_data()
    {
        QTest::addColumn<bool>("bDesktopOpener"); // xdg-open on the path, with no handler to find
        QTest::addColumn<QString>("strBrowser");  // %1 is a script recording its arguments
        QTest::addColumn<QString>("strResult");   // the recorded arguments, or the failure box's reason
        const QString strNoHandler = "There is no application associated\nwith the given filename extension.";
        const QString strNotFound = "The specified file was not found.";
        QTest::newRow("browser, address appended") << false << "%1:/no/such/second" << g_szWebSite;
        QTest::newRow("browser, %s replaced") << false << "%1 --new-tab %s" << QString("--new-tab\n") + g_szWebSite;
        QTest::newRow("no opener, no browser") << false << QString() << strNoHandler;
        QTest::newRow("no handler, no browser") << true << QString() << strNoHandler;
        QTest::newRow("no handler, browser missing") << true << "/no/such/browser %s" << strNotFound;
        QTest::newRow("no opener, browser not on path") << false << "no-such-browser" << strNotFound;
    }

    void hyperlinkOpening()
    {
        QFETCH(bool, bDesktopOpener);
        QFETCH(QString, strBrowser);
        QFETCH(QString, strResult);
        const bool bOpens = strBrowser.contains(QLatin1String("%1"));
        CScopedEnv env;
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("empty")));
        const QByteArray empty = m_dir.filePath(QStringLiteral("empty")).toUtf8();
        if (bDesktopOpener) {
            // Without a display or a desktop session xdg-open tries these browsers, then gives up.
            const auto found = [](const char* pszName) {
                return !QStandardPaths::findExecutable(QString::fromLatin1(pszName)).isEmpty();
            };
            if (!found("xdg-open") || found("www-browser") || found("links2") || found("elinks") || found("links") ||
                found("lynx") || found("w3m"))
                QSKIP("xdg-open is missing or would find a text browser");
            for (const char* pszName :
                 {"DISPLAY", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                  "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID", "DBUS_SESSION_BUS_ADDRESS"})
                env.Set(pszName, QByteArray());
            for (const char* pszName : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"})
                env.Set(pszName, empty);
        } else {
            env.Set("PATH", empty);
        }
        const QString strRecord = m_dir.filePath(QStringLiteral("args.txt"));
        const QString strScript = m_dir.filePath(QStringLiteral("browser.sh"));
        QFile::remove(strRecord);
        QFile script(strScript);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > %1\n")
                         .arg(strRecord)
                         .toUtf8());
        script.close();
        script.setPermissions(script.permissions() | QFile::ExeOwner);
        env.Set("BROWSER", (bOpens ? strBrowser.arg(strScript) : strBrowser).toUtf8());

        // Click the about box's link; a failure shows its box from inside the click.
        QString strMessage;
        bool bVisited = false;
        QColor crBefore, crAfter;
        const auto clickLink = [&](QWidget* pModal) {
            if (auto* pLink = pModal->findChild<CHyperLink*>()) {
                crBefore = pLink->GetTextColour();
                QTest::mouseClick(pLink, Qt::LeftButton, {}, pLink->rect().center());
                bVisited = pLink->GetVisited();
                crAfter = pLink->GetTextColour();
            }
            pModal->close();
        };
        if (bOpens)
            DriveNextModal(clickLink);
        else
            DriveModals({clickLink,
                         [&](QWidget* pModal) {
                             strMessage = MessageBoxText(pModal);
                             pModal->close();
                         }},
                        10000);
        QVERIFY(MainWnd()->ExecuteCommand(ID_APP_ABOUT));

        QCOMPARE(crBefore, QColor(0, 0, 238));
        QCOMPARE(bVisited, bOpens);
        QCOMPARE(crAfter, bOpens ? QColor(85, 26, 139) : QColor(0, 0, 238));
        if (bOpens) {
            const auto recorded = [&] {
                QFile record(strRecord);
                return record.open(QIODevice::ReadOnly) ? QString::fromUtf8(record.readAll()).trimmed() : QString();
            };
            QTRY_COMPARE(recorded(), strResult);
        } else {
            QCOMPARE(strMessage, "Unable to open hyperlink:\n\n" + strResult);
        }
    }
};

QTEST_MAIN(CTestUi)
#include "tst_ui.moc"
