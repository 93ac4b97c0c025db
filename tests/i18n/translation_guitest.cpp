// The main window in German: its menus read German, each menu's mnemonics stay unique, and
// the window is English again without the translation.
#include "engine/core/translation.h"
#include "formtest.h"
#include "window/playlist/frmplaylist.h"
#include "window/prefs/frmprefs.h"
#include "window/search/frmsearch.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include <set>

namespace {

QStringList captions(const QList<QAction*>& actions) {
    QStringList out;
    for (const QAction* a : actions)
        if (!a->isSeparator())
            out << a->text();
    return out;
}

// The letters after "&" in the captions that repeat one before them.
QStringList repeatedMnemonics(const QList<QAction*>& actions) {
    std::set<QChar> seen;
    QStringList repeated;
    for (const QAction* a : actions) {
        if (a->isSeparator() || !a->isVisible())
            continue;
        const QString text = a->text();
        const qsizetype at = text.indexOf(QLatin1Char('&'));
        if (at >= 0 && at + 1 < text.size() && !seen.insert(text.at(at + 1).toLower()).second)
            repeated << text;
    }
    return repeated;
}

class GermanWindowTest : public FormTest {
  protected:
    void TearDown() override {
        FormTest::TearDown();
        translation::remove();
    }
};

} // namespace

TEST_F(GermanWindowTest, MenusAndButtonsReadGermanWithUniqueMnemonics) {
    ASSERT_EQ(translation::install(QLocale(QLocale::German, QLocale::Germany),
                                   QStringLiteral(VORTAN_TRANSLATIONS_DIR)),
              QStringLiteral("de"));
    Form1& w = load();
    QStringList bar;
    for (QAction* a : w.menuBar()->actions())
        if (a->isVisible())
            bar << a->text();
    EXPECT_EQ(bar, (texts({"&Datei", "&Aktion", "&CD", "&Einstellungen", "&Hilfe"})));
    EXPECT_EQ(captions(w.mnuFile->actions()).first(), QStringLiteral("Ö&ffnen"));
    EXPECT_EQ(captions(w.mnuFile->actions()).last(), QStringLiteral("&Beenden"));
    EXPECT_EQ(w.Command8->text(), QStringLiteral("Abbrechen"));
    // The tree's groups, named by their English captions, show German ones.
    EXPECT_EQ(w.tree().text(w.tree().nodeNumber(2)), QStringLiteral("Ausgewählte Titel"));
    EXPECT_TRUE(repeatedMnemonics(w.menuBar()->actions()).isEmpty())
        << repeatedMnemonics(w.menuBar()->actions()).join(QLatin1Char(' ')).toStdString();
    for (QMenu* menu : w.findChildren<QMenu*>())
        EXPECT_TRUE(repeatedMnemonics(menu->actions()).isEmpty())
            << menu->objectName().toStdString() << ": "
            << repeatedMnemonics(menu->actions()).join(QLatin1Char(' ')).toStdString();
}

// The finder's captions were constants made before any translation was installed: they are
// looked up when used, so they read German too.
TEST_F(GermanWindowTest, TheFindersCaptionsReadGerman) {
    ASSERT_EQ(
        translation::install(QLocale(QLocale::German), QStringLiteral(VORTAN_TRANSLATIONS_DIR)),
        QStringLiteral("de"));
    Form1& w = load();
    FrmSearch::serve(w);
    w.C777->click();
    auto* finder = w.findChild<FrmSearch*>();
    ASSERT_NE(finder, nullptr);
    EXPECT_EQ(finder->Command1->text(), QStringLiteral("Suchen!"));
    EXPECT_EQ(finder->windowTitle(), QStringLiteral("Dateisuche"));
    finder->close();
}

// The other windows the tool bar opens read German too.
TEST_F(GermanWindowTest, PreferencesAndPlayListReadGerman) {
    ASSERT_EQ(
        translation::install(QLocale(QLocale::German), QStringLiteral(VORTAN_TRANSLATIONS_DIR)),
        QStringLiteral("de"));
    Form1& w = load();
    FrmPrefs::serve(w);
    frmPlayList::serve(w);
    w.Copt->click();
    w.C5555555->click();
    auto* prefs = w.findChild<FrmPrefs*>();
    auto* playList = w.findChild<frmPlayList*>();
    ASSERT_NE(prefs, nullptr);
    ASSERT_NE(playList, nullptr);
    EXPECT_EQ(prefs->windowTitle(), QStringLiteral("Einstellungen"));
    EXPECT_EQ(playList->windowTitle(), QStringLiteral("Wiedergabelisten-Editor"));
    prefs->close();
    playList->close();
}

TEST_F(GermanWindowTest, WithoutTheTranslationTheWindowStaysEnglish) {
    ASSERT_EQ(translation::install(QLocale(QLocale::English, QLocale::UnitedStates),
                                   QStringLiteral(VORTAN_TRANSLATIONS_DIR)),
              QString());
    Form1& w = load();
    QStringList bar;
    for (QAction* a : w.menuBar()->actions())
        if (a->isVisible())
            bar << a->text();
    EXPECT_EQ(bar, (texts({"&File", "&Action", "&CD", "&Preferences", "&Help"})));
    EXPECT_EQ(w.Command8->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(w.tree().text(w.tree().nodeNumber(2)), SourceTree::SelectedTracksText);
}
