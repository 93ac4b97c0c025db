// The windows read whole at their default size (ctest runs this program again with
// QT_SCALE_FACTOR 1.25 and 1.5), and the main window works from the keyboard alone.
#include "cdformtest.h"

#include "window/dialogs/formdialog.h"
#include "window/main/convertfolderdialog.h"
#include "window/main/elidedlabel.h"
#include "window/playlist/frmplaylist.h"
#include "window/prefs/frmprefs.h"
#include "window/search/frmsearch.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>

#include <set>

namespace {

QString describe(const QWidget* w) {
    const QString name = w->objectName();
    return QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') +
           (name.isEmpty()
                ? QStringLiteral("\"") + w->property("text").toString() + QLatin1Char('"')
                : name);
}

// What of `window`, as it is shown now, is drawn over another control or cut short: visible
// siblings that overlap; labels, buttons, check boxes, group titles and tabs narrower than
// their text; a control a user can reach that has no name for a screen reader. A label made
// to shorten long texts (with the whole text as its tool tip) is not counted as cut.
QStringList layoutFaults(QWidget* window) {
    QStringList faults;
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* w : widgets) {
        if (!w->isVisible() || (w != window && w->isWindow()))
            continue;
        QList<QWidget*> shown;
        for (QObject* child : w->children())
            if (auto* c = qobject_cast<QWidget*>(child); c && c->isVisible() && !c->isWindow())
                shown << c;
        for (qsizetype i = 0; i < shown.size(); ++i)
            for (qsizetype j = i + 1; j < shown.size(); ++j)
                if (shown[i]->geometry().intersects(shown[j]->geometry()))
                    faults << describe(shown[i]) + QStringLiteral(" overlaps ") +
                                  describe(shown[j]);

        bool cut = false;
        if (qobject_cast<ElidedLabel*>(w)) {
            cut = false;
        } else if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty()) {
            cut = label->wordWrap() ? label->heightForWidth(label->width()) > label->height()
                                    : label->width() < label->minimumSizeHint().width();
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            cut = button->width() < button->sizeHint().width();
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            cut = group->width() < group->minimumSizeHint().width();
        } else if (auto* tabs = qobject_cast<QTabBar*>(w)) {
            for (int i = 0; i < tabs->count(); ++i)
                cut = cut || tabs->tabRect(i).width() <
                                 tabs->fontMetrics().horizontalAdvance(tabs->tabText(i));
        }
        if (cut)
            faults << describe(w) + QStringLiteral(" is cut: %1 wide").arg(w->width());

        // A compound control (a spin box, an editable list) is named as a whole.
        const bool part =
            w->focusProxy() || (w->parentWidget() && w->parentWidget()->focusProxy() == w);
        if ((w->focusPolicy() & Qt::TabFocus) && !part) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(w);
            if (!accessible || accessible->text(QAccessible::Name).trimmed().isEmpty())
                faults << describe(w) + QStringLiteral(" has no accessible name");
        }
    }
    return faults;
}

class WindowFitTest : public CdFormTest {};

#define EXPECT_FAULTLESS(window)                                                                   \
    EXPECT_TRUE(layoutFaults(window).isEmpty())                                                    \
        << layoutFaults(window).join(QLatin1Char('\n')).toStdString() << "\n"

} // namespace

// The main window at its default size with a disc listed and every control of a job shown;
// then the preferences (each tab, the destination chooser open), the play list and the
// finder.
TEST_F(WindowFitTest, EveryWindowReadsWholeAtItsDefaultSize) {
    disc(QStringLiteral("disc"), {{75 * 4, 440}, {75 * 3, 880}});
    WriteSetting(SettingKey::DecodePath,
                 dest.filePath(QStringLiteral("a rather long folder name for the destination "
                                              "of every converted file/and one more level")));
    Form1& w = load();
    ASSERT_FALSE(w.lblDiscId->text().isEmpty());
    // The default size (the test screen may be smaller: the window then fits itself to it).
    w.resize(860, 580);
    w.Label5->show();
    w.Label33->show();
    w.Label33->setText(QStringLiteral("100.00 %"));
    QCoreApplication::processEvents(); // the window lays out what changed size
    EXPECT_FAULTLESS(&w);
    // The least size still shows everything.
    w.resize(w.minimumSize());
    QCoreApplication::processEvents();
    EXPECT_FAULTLESS(&w) << "at " << w.width() << " x " << w.height();
    w.resize(860, 580);

    FrmPrefs* prefs = FrmPrefs::open(w);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(prefs));
    prefs->resize(560, 460);
    prefs->Check2->click(); // the destination chooser
    for (int tab = 0; tab < prefs->SSTab2->count(); ++tab) {
        prefs->SSTab2->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        EXPECT_FAULTLESS(prefs) << "preferences tab " << tab;
    }
    prefs->close();

    frmPlayList* player = frmPlayList::open(&w);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(player));
    player->resize(900, 420);
    EXPECT_FAULTLESS(player);
    player->close();

    FrmSearch* finder = FrmSearch::open(w);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(finder));
    finder->resize(720, 560);
    for (int tab = 0; tab < finder->searchTabs->count(); ++tab) {
        finder->searchTabs->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        EXPECT_FAULTLESS(finder) << "finder tab " << tab;
    }
    finder->close();
}

// Each window opens whole on its screen, however small the screen is in scaled pixels (at
// twice the size a full-HD screen leaves 960 x 540): none is larger than the screen's free
// area, and none needs more than that to show every control.
TEST_F(WindowFitTest, EveryWindowOpensWithinItsScreen) {
    disc(QStringLiteral("disc"), {{75 * 4, 440}, {75 * 3, 880}});
    Form1& w = load();
    const QSize room = w.screen()->availableGeometry().size();
    if (room.width() < 960 || room.height() < 540)
        GTEST_SKIP() << "a screen smaller than the program is made for";
    const auto fits = [&room](QWidget* window) {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        const QSize size = window->frameGeometry().size();
        EXPECT_LE(size.width(), room.width()) << describe(window).toStdString();
        EXPECT_LE(size.height(), room.height()) << describe(window).toStdString();
        EXPECT_FAULTLESS(window);
    };
    fits(&w);
    FrmPrefs* prefs = FrmPrefs::open(w);
    fits(prefs);
    prefs->close();
    frmPlayList* player = frmPlayList::open(&w);
    fits(player);
    player->close();
    FrmSearch* finder = FrmSearch::open(w);
    fits(finder);
    finder->close();
    w.mnuConvertFolder->trigger();
    ASSERT_TRUE(w.convertFolderDialog());
    fits(w.convertFolderDialog());
    w.convertFolderDialog()->reject();
}

// "Disc Information..." for a disc of many tracks: the form scrolls up and down only, with no
// field under the scroll bar, nothing cut and no stop without a name; it opens in its first
// field, and a long title shows its beginning when the form opens and when Tab enters it.
TEST_F(WindowFitTest, TheDiscInformationFormReadsWholeFromItsFirstField) {
    constexpr int trackCount = 20;
    DiscImageOptions options;
    options.catalog = QStringLiteral("0602537350142");
    disc(QStringLiteral("long"), std::vector<ImageTrack>(trackCount, ImageTrack{75, 440}), options);
    Form1& w = load();
    const QString longTitle = QStringLiteral("Songs of the harbour at night, ").repeated(11);
    ASSERT_EQ(longTitle.size(), 341);
    QStringList typed(3 + 2 * trackCount + 1);
    typed[0] = longTitle.left(340);
    typed[3] = longTitle.left(340);
    typed.back() = options.catalog;
    dialogs().forms.push_back(typed);
    w.mnuDiscInfo->trigger();
    ASSERT_EQ(w.discInfo().album, typed[0]);

    std::unique_ptr<FormDialog> form;
    dialogs().formShown = [&form, &w](const QString& title,
                                      const QList<dialogs::FormField>& fields) {
        form = std::make_unique<FormDialog>(title, fields, &w);
        return std::optional<QStringList>();
    };
    w.mnuDiscInfo->trigger();
    ASSERT_TRUE(form);
    form->show();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const std::vector<QLineEdit*>& fields = form->fields();
    ASSERT_EQ(fields.size(), static_cast<std::size_t>(typed.size()));
    const auto showsItsBeginning = [](QLineEdit* field) {
        return field->cursorPosition() == 0 &&
               field->inputMethodQuery(Qt::ImCursorRectangle).toRect().left() < field->width() / 2;
    };
    EXPECT_EQ(QApplication::focusWidget(), fields[0]);
    EXPECT_TRUE(showsItsBeginning(fields[0]));

    const QScrollArea* scroll = form->scrollArea();
    EXPECT_TRUE(scroll->verticalScrollBar()->isVisible());
    EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible());
    int underTheBar = 0;
    for (const QLineEdit* field : fields)
        if (field->mapTo(scroll->viewport(), QPoint(field->width(), 0)).x() >
            scroll->viewport()->width())
            ++underTheBar;
    EXPECT_EQ(underTheBar, 0);
    EXPECT_LE(form->width(), form->screen()->availableGeometry().width());
    EXPECT_FAULTLESS(form.get());

    // Tab runs from field to field; the first title is entered whole, shown from its start.
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), fields[3]);
    EXPECT_EQ(fields[3]->selectedText(), typed[3]);
    EXPECT_TRUE(showsItsBeginning(fields[3]));
    // Before the first field come the buttons.
    fields[0]->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(fields[0], Qt::Key_Backtab);
    EXPECT_TRUE(qobject_cast<QAbstractButton*>(QApplication::focusWidget()));
}

// With no drive, a line says where a disc image is opened, in the drive list's place.
TEST_F(WindowFitTest, NoDriveIsSaidInTheDriveListsPlace) {
    Form1& w = load();
    for (int i = 0; i < w.DriveList->count(); ++i)
        if (!w.DriveList->itemText(i).trimmed().isEmpty())
            GTEST_SKIP() << "this machine has a CD drive";
    EXPECT_FALSE(w.DriveList->isVisible());
    EXPECT_TRUE(w.lblNoDrive->isVisible());
    EXPECT_EQ(w.lblNoDrive->text(),
              QStringLiteral("No CD drive found; use File > Open Disc Image..."));
    disc(QStringLiteral("disc"), {{75 * 4, 440}});
    w.fillDriveList();
    EXPECT_TRUE(w.DriveList->isVisible());
    EXPECT_FALSE(w.lblNoDrive->isVisible());
}

// ---- The keyboard --------------------------------------------------------------------------

namespace {

class KeyboardTest : public FormTest {
  protected:
    Form1& loadActive() {
        makeFile(QStringLiteral("a.wav"));
        makeFile(QStringLiteral("b.wav"));
        WriteSetting(SettingKey::ShowFullPath, std::int16_t{0});
        Form1& w = load();
        QApplication::setActiveWindow(&w);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        return w;
    }
    // Every item of `menu` and its submenus, separators left out.
    static void collect(const QMenu* menu, std::vector<const QMenu*>& menus) {
        menus.push_back(menu);
        for (const QAction* a : menu->actions())
            if (a->menu())
                collect(a->menu(), menus);
    }
};

} // namespace

TEST_F(KeyboardTest, MenusOpenByTheirMnemonicsAndActionsByTheirKeys) {
    Form1& w = loadActive();

    // Alt and the underlined letter open each menu of the bar.
    for (QAction* entry : w.menuBar()->actions()) {
        if (!entry->isVisible())
            continue;
        const QKeySequence mnemonic = QKeySequence::mnemonic(entry->text());
        ASSERT_FALSE(mnemonic.isEmpty()) << entry->text().toStdString();
        QTest::keyClick(&w, mnemonic[0].key(), mnemonic[0].keyboardModifiers());
        EXPECT_TRUE(QTest::qWaitFor([&] { return entry->menu()->isVisible(); }, 1000))
            << entry->text().toStdString();
        entry->menu()->hide();
    }
    QTest::keyClick(&w, Qt::Key_F10); // the first menu
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.mnuFile->isVisible(); }, 1000));
    w.mnuFile->hide();
    // Every item has a letter of its own within its menu.
    std::vector<const QMenu*> menus;
    for (QAction* entry : w.menuBar()->actions())
        collect(entry->menu(), menus);
    for (const QMenu* menu : menus) {
        std::set<int> letters;
        for (const QAction* a : menu->actions()) {
            if (a->isSeparator())
                continue;
            const QKeySequence mnemonic = QKeySequence::mnemonic(a->text());
            ASSERT_FALSE(mnemonic.isEmpty()) << a->text().toStdString();
            EXPECT_TRUE(letters.insert(mnemonic[0].toCombined()).second)
                << menu->title().toStdString() << ": " << a->text().toStdString();
        }
    }
    // An item by its letter in its open menu: Alt+A, R refreshes.
    QSignalSpy refreshed(w.mnuRefreshlist, &QAction::triggered);
    QTest::keyClick(&w, Qt::Key_A, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.mnuActiopn->isVisible(); }, 1000));
    QTest::keyClick(w.mnuActiopn, Qt::Key_R);
    EXPECT_EQ(refreshed.count(), 1);

    // The desktop's keys, from the tree.
    QApplication::setActiveWindow(&w);
    w.TreeView1->setFocus();
    const std::vector<std::pair<QAction*, QKeySequence>> keyed{
        {w.mnuOpenfile, QKeySequence(Qt::CTRL | Qt::Key_O)},
        {w.mnuRefreshlist, QKeySequence(Qt::Key_F5)},
        {w.mnuHelpfile, QKeySequence(Qt::Key_F1)},
        {w.mnuSearch, QKeySequence(Qt::CTRL | Qt::Key_F)}};
    for (const auto& [action, key] : keyed) {
        QSignalSpy triggered(action, &QAction::triggered);
        QTest::keySequence(w.TreeView1, key);
        EXPECT_EQ(triggered.count(), 1) << key.toString().toStdString();
        QApplication::setActiveWindow(&w);
        w.TreeView1->setFocus();
    }
    // Locked while a job runs: no key starts another command.
    w.Disablem();
    QSignalSpy lockedRefresh(w.mnuRefreshlist, &QAction::triggered);
    QTest::keyClick(w.TreeView1, Qt::Key_F5);
    EXPECT_EQ(lockedRefresh.count(), 0);
    w.Enablem();

    // Delete takes the selected file off its list; the file stays.
    const QString a = dest.filePath(QStringLiteral("a.wav"));
    select(QStringLiteral("a.wav"));
    QTest::keyClick(w.TreeView1, Qt::Key_Delete);
    EXPECT_EQ(node(QStringLiteral("a.wav")), 0u);
    EXPECT_FALSE(tree().List1.contains(a));
    EXPECT_TRUE(QFileInfo::exists(a));

    QApplication::setActiveWindow(&w);
    QSignalSpy ended(&w, &Form1::programEndRequested);
    QTest::keySequence(&w, QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_EQ(ended.count(), 1);
}

TEST_F(KeyboardTest, TheTreeMovesAndOpensItsMenuFromTheKeyboard) {
    Form1& w = loadActive();
    w.TreeView1->setFocus();

    // The arrow keys choose as a click does; Return moves as a double-click does, Space too.
    select(SourceTree::WavText);
    const QString first = childTexts(SourceTree::WavText).front();
    QTest::keyClick(w.TreeView1, Qt::Key_Down);
    EXPECT_EQ(tree().text(tree().selectedNode()), first);
    EXPECT_EQ(tree().draggedNode(), node(first));
    QTest::keyClick(w.TreeView1, Qt::Key_Return);
    EXPECT_EQ(childTexts(SourceTree::SelectedWavText), QStringList{first});
    EXPECT_EQ(tree().List5.items(), QStringList{dest.filePath(first)});
    QTest::keyClick(w.TreeView1, Qt::Key_Space);
    EXPECT_TRUE(childTexts(SourceTree::SelectedWavText).isEmpty());
    EXPECT_TRUE(tree().List5.isEmpty());
    // On a group, nothing moves.
    select(SourceTree::WavText);
    QTest::keyClick(w.TreeView1, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(childTexts(SourceTree::WavText).size(), 2);

    // Shift+F10 and the Menu key open the context menu at the selected node, which it acts
    // on.
    for (const QKeyCombination key : {QKeyCombination(Qt::ShiftModifier, Qt::Key_F10),
                                      QKeyCombination(Qt::NoModifier, Qt::Key_Menu)}) {
        select(QStringLiteral("b.wav"));
        QTest::keyClick(w.TreeView1, key.key(), key.keyboardModifiers());
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.mnupopup->isVisible(); }, 1000));
        const QRect row = w.TreeView1->visualRect(tree().indexOf(node(QStringLiteral("b.wav"))));
        const QPoint at = w.TreeView1->viewport()->mapFromGlobal(w.mnupopup->pos());
        EXPECT_NEAR(at.y(), row.bottom(), 2);
        EXPECT_TRUE(w.mnuFileRemove->isEnabled());
        EXPECT_EQ(tree().draggedNode(), node(QStringLiteral("b.wav")));
        w.mnupopup->hide();
    }
}

// A screen reader tells controls apart by name: the two "Start" buttons by what each starts,
// the tree's label editor by what it edits.
TEST_F(KeyboardTest, ControlsThatLookAlikeHaveNamesOfTheirOwn) {
    Form1& w = loadActive();
    auto name = [](QWidget* control) {
        return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
    };
    EXPECT_EQ(w.CmdSelectAction->text(), QStringLiteral("Start"));
    EXPECT_EQ(w.cmdStart->text(), QStringLiteral("Start"));
    EXPECT_NE(name(w.CmdSelectAction), name(w.cmdStart));
    EXPECT_TRUE(name(w.CmdSelectAction).startsWith(QStringLiteral("Start")));
    EXPECT_TRUE(name(w.cmdStart).startsWith(QStringLiteral("Start")));

    select(QStringLiteral("a.wav"));
    w.TreeView1->setFocus();
    QTest::keyClick(w.TreeView1, Qt::Key_F2);
    auto* editor = w.TreeView1->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("a.wav"));
    EXPECT_FALSE(name(editor).trimmed().isEmpty());
}

TEST_F(KeyboardTest, TabVisitsEveryEnabledControlOnceInReadingOrder) {
    Form1& w = loadActive();
    w.Command2->setVisible(true); // shown while a job runs
    // What Tab should reach: every control shown, enabled and taking focus by Tab; a group of
    // option buttons is one stop (the arrow keys move within it), counted as their panel.
    auto stop = [](QWidget* control) -> QWidget* {
        const auto* option = qobject_cast<QRadioButton*>(control);
        return option && option->autoExclusive() ? control->parentWidget() : control;
    };
    std::set<QWidget*> expected;
    for (QWidget* control : w.findChildren<QWidget*>())
        if (control->isVisible() && control->isEnabled() &&
            (control->focusPolicy() & Qt::TabFocus) && !control->focusProxy())
            expected.insert(stop(control));
    for (QWidget* needed : std::initializer_list<QWidget*>{w.TreeView1, w.Command1, w.Command2,
                                                           w.Command4, w.cmdRefresh, w.cmbQuality})
        EXPECT_TRUE(expected.count(needed)) << needed->objectName().toStdString();

    w.CmdSelectAction->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), w.CmdSelectAction);
    std::vector<QWidget*> visited{w.CmdSelectAction};
    for (std::size_t i = 0; i < expected.size() + 2; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (now == w.CmdSelectAction)
            break;
        visited.push_back(stop(now));
    }
    QStringList missed, extra;
    for (QWidget* control : expected)
        if (std::find(visited.begin(), visited.end(), control) == visited.end())
            missed << describe(control);
    for (QWidget* control : visited)
        if (!expected.count(control))
            extra << describe(control);
    EXPECT_TRUE(missed.isEmpty()) << "not reached: " << missed.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(extra.isEmpty()) << "reached: " << extra.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(visited.size(), expected.size()) << "a control is visited twice";
    // Reading order: the tool bar, the CD bar, the tree, then the right-hand panel.
    auto at = [&](QWidget* control) {
        return std::find(visited.begin(), visited.end(), control) - visited.begin();
    };
    EXPECT_LT(at(w.Command5), at(w.cmdRefresh));
    EXPECT_LT(at(w.cmdRefresh), at(w.cmdStart));
    EXPECT_LT(at(w.cmdStart), at(w.cmbBitrate));
    EXPECT_LT(at(w.chkOriginal), at(w.TreeView1));
    EXPECT_LT(at(w.TreeView1), at(w.Command1));
    EXPECT_LT(at(w.Command2), at(w.Command4));
}
