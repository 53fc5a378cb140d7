// Consistency of the resource tables: every id that menus and toolbars use resolves, menus nest properly,
// icons exist and render, and accelerators parse, match their menu text and do not clash.
#include "res/LumivoResources.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QKeySequence>
#include <QSet>
#include <QtTest>

#include <map>

static void InitResources()
{
    Q_INIT_RESOURCE(lumivo);
}

namespace {

const SCommandInfo* FindCommand(int nId)
{
    for (const SCommandInfo& cmd : LumivoResources().commands)
        if (cmd.nId == nId)
            return &cmd;
    return nullptr;
}

// The string nId as the application loads it: a string of the table, else a command's prompt.
const char* StringResource(int nId)
{
    for (const SStringResource& str : LumivoResources().strings)
        if (str.nId == nId)
            return str.pszText;
    const SCommandInfo* pCommand = FindCommand(nId);
    return pCommand ? pCommand->pszPrompt : nullptr;
}

std::span<const SMenuEntry> Menu(int nId)
{
    for (const SMenuResource& menu : LumivoResources().menus)
        if (menu.nId == nId)
            return menu.entries;
    return {};
}

QString Plain(const char* pszText)
{
    return QString::fromUtf8(pszText).remove(QLatin1Char('&'));
}

QList<QKeySequence> Shortcuts(const char* pszAccel)
{
    QList<QKeySequence> list;
    if (pszAccel)
        for (const QString& part : QString::fromUtf8(pszAccel).split(QLatin1Char(';')))
            list.append(QKeySequence::fromString(part, QKeySequence::PortableText));
    return list;
}

} // namespace

class CTestResources : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InitResources(); }

    void commandIdsAreUnique()
    {
        QSet<int> ids;
        for (const SCommandInfo& cmd : LumivoResources().commands) {
            QVERIFY2(!ids.contains(cmd.nId), qPrintable(QString::number(cmd.nId)));
            ids.insert(cmd.nId);
        }
    }

    void menuAndToolbarIdsHaveRows()
    {
        for (const SMenuResource& menu : LumivoResources().menus) {
            for (const SMenuEntry& entry : menu.entries) {
                const QString where = QStringLiteral("menu %1, id %2").arg(menu.nId).arg(entry.nId);
                if (entry.eKind == MENU_ITEM) {
                    const SCommandInfo* pCmd = FindCommand(entry.nId);
                    QVERIFY2(pCmd, qPrintable(where));
                    QVERIFY2(entry.pszText || pCmd->pszText, qPrintable(where + " has no text"));
                } else if (entry.eKind == MENU_RECENT_FILES) {
                    for (int nId = ID_FILE_MRU_FILE1; nId <= ID_FILE_MRU_FILE5; ++nId)
                        QVERIFY2(FindCommand(nId), qPrintable(where));
                } else {
                    QCOMPARE(entry.nId, 0);
                }
            }
        }
        for (const SToolbarResource& bar : LumivoResources().toolbars)
            for (int nId : bar.buttons)
                QVERIFY2(nId == 0 || FindCommand(nId),
                         qPrintable(QStringLiteral("toolbar %1, id %2").arg(bar.nId).arg(nId)));
    }

    // A pop-up holds at least one entry, depth grows only below a pop-up, and separators only
    // stand between two entries of the same pop-up.
    void menusNestProperly()
    {
        for (const SMenuResource& menu : LumivoResources().menus) {
            const auto entries = menu.entries;
            QVERIFY(!entries.empty());
            for (std::size_t i = 0; i < entries.size(); ++i) {
                const SMenuEntry& entry = entries[i];
                const QString where = QStringLiteral("menu %1, entry %2").arg(menu.nId).arg(i);
                if (entry.nDepth == 0)
                    QVERIFY2(entry.eKind == MENU_POPUP, qPrintable(where));
                if (i > 0 && entry.nDepth > entries[i - 1].nDepth) {
                    QVERIFY2(entry.nDepth == entries[i - 1].nDepth + 1, qPrintable(where));
                    QVERIFY2(entries[i - 1].eKind == MENU_POPUP, qPrintable(where));
                }
                const bool bHasNext = i + 1 < entries.size();
                if (entry.eKind == MENU_POPUP) {
                    QVERIFY2(bHasNext && entries[i + 1].nDepth == entry.nDepth + 1, qPrintable(where + " empty"));
                    QVERIFY(entry.pszText);
                }
                if (entry.eKind == MENU_SEPARATOR) {
                    QVERIFY2(entries[i - 1].nDepth >= entry.nDepth && entries[i - 1].eKind != MENU_SEPARATOR,
                             qPrintable(where + " leads its pop-up"));
                    QVERIFY2(bHasNext && entries[i + 1].nDepth == entry.nDepth &&
                                 entries[i + 1].eKind != MENU_SEPARATOR,
                             qPrintable(where + " ends its pop-up"));
                }
            }
        }
    }

    void topLevelPopups_data()
    {
        QTest::addColumn<int>("menuId");
        QTest::addColumn<QStringList>("popups");
        QTest::newRow("no document") << int(IDR_MAINFRAME) << QStringList{"File", "View", "Tools", "Help"};
        QTest::newRow("document") << int(IDR_LUMIVOTYPE)
                                  << QStringList{"File", "Edit", "View", "Image", "Color", "Tools", "Window", "Help"};
        QTest::newRow("crop") << int(IDR_CROP_POPUP) << QStringList{"Image"};
    }

    void topLevelPopups()
    {
        QFETCH(int, menuId);
        QFETCH(QStringList, popups);
        QStringList actual;
        for (const SMenuEntry& entry : Menu(menuId))
            if (entry.nDepth == 0)
                actual.append(Plain(entry.pszText));
        QCOMPARE(actual, popups);
    }

    // Toolbar commands carry an icon that renders at 16x16 and a prompt for the tooltip; other
    // commands carry none, and every icon file is used.
    void iconsBelongToToolbarCommands()
    {
        QSet<int> onToolbar;
        for (const SToolbarResource& bar : LumivoResources().toolbars)
            for (int nId : bar.buttons)
                if (nId != 0)
                    onToolbar.insert(nId);

        QSet<QString> used;
        for (const SCommandInfo& cmd : LumivoResources().commands) {
            const QString id = QString::number(cmd.nId);
            QCOMPARE(cmd.pszIcon != nullptr, onToolbar.contains(cmd.nId));
            if (!cmd.pszIcon)
                continue;
            QVERIFY2(cmd.pszPrompt, qPrintable(id));
            const QString path = QString::fromUtf8(cmd.pszIcon);
            QVERIFY2(path.startsWith(QLatin1String(":/icons/")), qPrintable(path));
            QVERIFY2(QFile::exists(path), qPrintable(path));
            used.insert(path);

            QImageReader reader(path);
            const QImage image = reader.read();
            QVERIFY2(!image.isNull(), qPrintable(path + ": " + reader.errorString()));
            QCOMPARE(image.size(), QSize(16, 16));
            int nInked = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    nInked += qAlpha(image.pixel(x, y)) > 0;
            QVERIFY2(nInked >= 32, qPrintable(path + " draws almost nothing"));
        }

        const QString appIcon = QStringLiteral(":/icons/lumivo.svg");
        QVERIFY(!QImageReader(appIcon).read().isNull());
        for (const QString& name : QDir(QStringLiteral(":/icons")).entryList(QDir::Files)) {
            const QString path = QStringLiteral(":/icons/") + name;
            QVERIFY2(path == appIcon || used.contains(path), qPrintable(path + " is unused"));
        }
    }

    // Every shortcut parses; the text after '\t' in a menu item names the first one; no two commands
    // share a shortcut (an ambiguous shortcut fires neither command).
    void acceleratorsAreConsistent()
    {
        std::map<QString, int> owner;
        for (const SCommandInfo& cmd : LumivoResources().commands) {
            const QList<QKeySequence> keys = Shortcuts(cmd.pszAccel);
            for (const QKeySequence& key : keys) {
                QVERIFY2(key.count() == 1 && key[0].key() != Qt::Key_unknown, cmd.pszAccel);
                const QString text = key.toString(QKeySequence::PortableText);
                QVERIFY2(
                    owner.emplace(text, cmd.nId).second,
                    qPrintable(text + " used by " + QString::number(owner[text]) + " and " + QString::number(cmd.nId)));
            }
            const QString menuText = QString::fromUtf8(cmd.pszText ? cmd.pszText : "");
            const qsizetype nTab = menuText.indexOf(QLatin1Char('\t'));
            if (nTab >= 0) {
                QVERIFY2(!keys.isEmpty(), cmd.pszText);
                QCOMPARE(QKeySequence::fromString(menuText.mid(nTab + 1), QKeySequence::PortableText), keys.first());
            } else if (cmd.pszText) {
                QVERIFY2(keys.isEmpty(), qPrintable(menuText + " hides its shortcut"));
            }
        }
        QCOMPARE(Shortcuts(FindCommand(ID_IMAGE_ZOOM_IN)->pszAccel).value(0), QKeySequence(Qt::Key_Plus));
        QCOMPARE(Shortcuts(FindCommand(ID_IMAGE_ZOOM_OUT)->pszAccel).value(0), QKeySequence(Qt::Key_Minus));
    }

    void stringsResolve()
    {
        QCOMPARE(QString::fromUtf8(StringResource(AFX_IDS_APP_TITLE)), QStringLiteral("Lumivo"));
        // The template string holds seven fields; the framework reads them by index.
        QCOMPARE(QString::fromUtf8(StringResource(IDR_LUMIVOTYPE)).split(QLatin1Char('\n')).size(), 7);
        // A command id falls back to its prompt.
        QVERIFY(StringResource(ID_IMAGE_ZOOM_IN) == FindCommand(ID_IMAGE_ZOOM_IN)->pszPrompt);
        QVERIFY(!StringResource(12345));
        // Each status-bar pane is sized by its indicator's string.
        for (int nId : std::initializer_list<int>{ID_INDICATOR_TIME, ID_INDICATOR_BLANK, ID_INDICATOR_IMAGE,
                                                  ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL})
            QVERIFY2(StringResource(nId) && *StringResource(nId), qPrintable(QString::number(nId)));
    }
};

QTEST_MAIN(CTestResources)
#include "tst_resources.moc"
