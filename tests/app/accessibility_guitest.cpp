// What a screen reader finds in each window: every control a user can reach has a name and a
// role, and the progress and the next-action line are read out as they change.
#include "cdformtest.h"

#include "window/dialogs/formdialog.h"
#include "window/help/helpwindow.h"
#include "window/playlist/frmplaylist.h"
#include "window/prefs/frmprefs.h"
#include "window/search/frmsearch.h"

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

namespace {

// Each focusable, shown element under `window` in the tree a screen reader walks that has no
// name or no role of its own, described by its class and object name. A widget that passes its
// focus on (a tab widget to its tab bar, an editable list's line edit to the list) is not
// itself reached; the line edit inside a spin box is read as the spin box.
QStringList namelessControls(QWidget* window) {
    QStringList faults;
    std::function<void(QAccessibleInterface*, int)> walk = [&](QAccessibleInterface* node,
                                                               int depth) {
        if (!node || !node->isValid() || depth > 64)
            return;
        const QAccessible::State state = node->state();
        auto* widget = qobject_cast<QWidget*>(node->object());
        const bool part = widget && (widget->focusProxy() ||
                                     qobject_cast<QAbstractSpinBox*>(widget->parentWidget()));
        if (state.focusable && !state.invisible && !part) {
            const QString name = node->text(QAccessible::Name).trimmed();
            const QAccessible::Role role = node->role();
            if (name.isEmpty() || role == QAccessible::NoRole || role == QAccessible::Client) {
                QString what;
                QTextStream(&what)
                    << (node->object() ? node->object()->metaObject()->className() : "item") << ' '
                    << (node->object() ? node->object()->objectName()
                                       : QStringLiteral("\"") + node->text(QAccessible::Value) +
                                             QLatin1Char('"'))
                    << " (role 0x" << Qt::hex << int(role) << ")"
                    << (name.isEmpty() ? " has no name" : " has no role");
                faults << what;
            }
        }
        for (int i = 0; i < node->childCount(); ++i)
            walk(node->child(i), depth + 1);
    };
    walk(QAccessible::queryAccessibleInterface(window), 0);
    return faults;
}

#define EXPECT_ALL_NAMED(window, where)                                                            \
    do {                                                                                           \
        const QStringList faults = namelessControls(window);                                       \
        EXPECT_TRUE(faults.isEmpty()) << (where) << ":\n"                                          \
                                      << faults.join(QLatin1Char('\n')).toStdString();             \
    } while (false)

class AccessibilityTest : public CdFormTest {};

} // namespace

// The main window (idle, then with a job's controls), each tab of the preferences, the play
// list, each tab of the finder, the help viewer and the disc information form.
TEST_F(AccessibilityTest, EveryReachableControlOfEveryWindowHasANameAndARole) {
    disc(QStringLiteral("disc"), {{75 * 2, 440}, {75 * 2, 880}});
    makeFile(QStringLiteral("a.wav"));
    makeFile(QStringLiteral("b.mp3"));
    Form1& w = load();
    EXPECT_ALL_NAMED(&w, "main window");
    w.Disablem(); // locked as while a job runs: the stop button shows
    w.Command2->setVisible(true);
    EXPECT_ALL_NAMED(&w, "main window during a job");
    w.Command2->setVisible(false);
    w.Enablem();

    FrmPrefs* prefs = FrmPrefs::open(w);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(prefs));
    prefs->Check2->click(); // the destination chooser shows
    for (int tab = 0; tab < prefs->SSTab2->count(); ++tab) {
        prefs->SSTab2->setCurrentIndex(tab);
        EXPECT_ALL_NAMED(prefs, "preferences: " + prefs->SSTab2->tabText(tab).toStdString());
    }
    prefs->close();

    frmPlayList* player = frmPlayList::open(&w);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(player));
    EXPECT_ALL_NAMED(player, "play list");
    player->close();

    FrmSearch* finder = FrmSearch::open(w);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(finder));
    for (int tab = 0; tab < finder->searchTabs->count(); ++tab) {
        finder->searchTabs->setCurrentIndex(tab);
        EXPECT_ALL_NAMED(finder, "finder: " + finder->searchTabs->tabText(tab).toStdString());
    }
    finder->close();

    const QString page = dest.filePath(QStringLiteral("index.html"));
    {
        QFile file(page);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<html><body><h1>Help</h1><p><a href=\"index.html\">Contents</a></p></body>"
                   "</html>");
    }
    HelpWindow help(&w);
    help.showPage(page);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
    EXPECT_ALL_NAMED(&help, "help");
    help.close();

    const QList<dialogs::FormField> fields{{QStringLiteral("Album"), QStringLiteral("Harbour")},
                                           {QStringLiteral("Artist"), QString()},
                                           {QStringLiteral("Catalog number"), QString()}};
    FormDialog form(QStringLiteral("Disc Information"), fields, &w);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_ALL_NAMED(&form, "disc information");
}

namespace {

// The value and name changes the windows report to the screen reader bridge. Qt reports
// them only while a bridge is active (a desktop with a screen reader running).
std::vector<std::pair<QObject*, QAccessible::Event>> reported;

void record(QAccessibleEvent* event) {
    reported.emplace_back(event->object(), event->type());
}

bool wasReported(QObject* object, QAccessible::Event type) {
    return std::find(reported.begin(), reported.end(), std::make_pair(object, type)) !=
           reported.end();
}

} // namespace

// The progress bar is read as its value, the next-action line as its text, and both as they
// change: the bar is shown while its value moves, and the line has no fixed name that would
// hide its text (a label with a name of its own reports no change of its text).
TEST_F(AccessibilityTest, ProgressAndTheNextActionAreReadAsTheyChange) {
    WriteSetting(SettingKey::ShowFullPath, std::int16_t{0});
    makeFile(QStringLiteral("a.wav"));
    Form1& w = load();
    const QAccessible::UpdateHandler previous = QAccessible::installUpdateHandler(record);
    reported.clear();

    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(w.ProgressBar1);
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(bar->valueInterface(), nullptr);
    EXPECT_EQ(bar->role(), QAccessible::ProgressBar);
    EXPECT_FALSE(bar->text(QAccessible::Name).isEmpty());
    w.ChangeProgress(QString(), 37.6f, 100.0f);
    EXPECT_TRUE(w.ProgressBar1->isVisible());
    EXPECT_EQ(bar->valueInterface()->currentValue().toInt(), 37);

    QAccessibleInterface* line = QAccessible::queryAccessibleInterface(w.Label3);
    ASSERT_NE(line, nullptr);
    const QString before = line->text(QAccessible::Name);
    EXPECT_TRUE(before.startsWith(QStringLiteral("Next Action"))) << before.toStdString();
    select(QStringLiteral("a.wav"));
    EXPECT_NE(w.Label3->text(), before);
    EXPECT_TRUE(w.Label3->accessibleName().isEmpty());
    EXPECT_EQ(line->text(QAccessible::Name), w.Label3->text());

    if (QAccessible::isActive()) {
        EXPECT_TRUE(wasReported(w.ProgressBar1, QAccessible::ValueChanged));
        EXPECT_TRUE(wasReported(w.Label3, QAccessible::NameChanged));
    }
    QAccessible::installUpdateHandler(previous);
}
