// The toolbars dialog with its list control.
#include "app/LumivoApp.h"
#include "app/MainFrame.h"
#include "res/CommandIds.h"
#include "support/TestSupport.h"
#include "ui/DialogToolbars.h"
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
};

QTEST_MAIN(CTestUi)
#include "tst_ui.moc"
