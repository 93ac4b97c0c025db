// File > Convert Folder...: the dialog's choices, its count, and the folder mirrored through
// the window's batch.
#include "fixtures.h"
#include "formtest.h"

#include "window/main/convertfolderdialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>

namespace {

class ConvertFolderTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        ASSERT_TRUE(library.isValid());
        for (SettingKey key :
             {SettingKey::ConvertFolderSources, SettingKey::ConvertFolderDestination,
              SettingKey::ConvertFolderFormat, SettingKey::ConvertFolderSetting})
            WriteSetting(key, QString());
        WriteSetting(SettingKey::ConvertFolderRemoveOrphans, std::int16_t(0));
        WriteSetting(SettingKey::ConvertFolderPortableNames, std::int16_t(0));
        QDir().mkpath(library.filePath(QStringLiteral("Album")));
        fixtures::writeFile(library.filePath(QStringLiteral("Album/01 Song.wav")),
                            fixtures::wavBytes(fixtures::sine(440, 1.0)));
    }
    QStringList texts() const {
        QStringList out;
        for (const dialogs::Message& m : testsupport::scriptedDialogs().messages())
            out << m.text;
        return out;
    }
    ConvertFolderDialog& open(Form1& w) {
        w.mnuConvertFolder->trigger();
        ConvertFolderDialog* dialog = w.convertFolderDialog();
        EXPECT_TRUE(dialog && QTest::qWaitForWindowExposed(dialog));
        return *dialog;
    }
    // Waits for the count the dialog runs and returns its line.
    static QString counted(ConvertFolderDialog& dialog) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.isCounting(); }, 60000));
        return dialog.lblPreview->text();
    }
    QTemporaryDir library;
};

} // namespace

// Folders added and chosen through the seam, FLAC at level 5: the count, then Enter converts;
// the choices come back the next time, and a rerun finds everything up to date.
TEST_F(ConvertFolderTest, TheDialogCountsConvertsAndRemembersItsChoices) {
    Form1& w = load();
    ConvertFolderDialog& d = open(w);
    EXPECT_EQ(d.lstSources->count(), 0);
    EXPECT_FALSE(d.cmdConvert->isEnabled());
    EXPECT_FALSE(d.cmdPreview->isEnabled());
    EXPECT_EQ(d.lblRefusal->text(), QStringLiteral("Add the folder to convert."));

    dialogs().folders.push_back(library.path());
    d.cmdAdd->click();
    dialogs().folders.push_back(library.path()); // listed already: not twice
    d.cmdAdd->click();
    ASSERT_EQ(d.lstSources->count(), 1);
    const QString out = dest.filePath(QStringLiteral("mirror"));
    d.txtDestination->setText(out);
    d.cmbFormat->setCurrentIndex(d.cmbFormat->findData(QStringLiteral("flac")));
    EXPECT_EQ(d.setting->currentWidget(), d.spnFlacLevel);
    EXPECT_EQ(d.lblSetting->buddy(), d.spnFlacLevel);
    d.spnFlacLevel->setValue(7);
    EXPECT_TRUE(d.cmdConvert->isEnabled());
    EXPECT_TRUE(d.lblRefusal->text().isEmpty());

    d.cmdPreview->click();
    EXPECT_EQ(counted(d), QStringLiteral("1 to convert, 0 to copy, 0 up to date, 0 to remove"));
    EXPECT_FALSE(QFileInfo::exists(out)); // a count makes nothing
    // A change of choice takes the count away.
    d.chkPortableNames->setChecked(true);
    EXPECT_TRUE(d.lblPreview->text().isEmpty());

    QTest::keyClick(d.txtDestination, Qt::Key_Return); // counts, then converts
    ASSERT_TRUE(QTest::qWaitFor([&] { return texts().size() == 1 && !w.isJobRunning(); }, 60000))
        << texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(texts()[0].startsWith(QLatin1String("Converted: 1\nCopied: 0\nUp to date: 0\n"
                                                    "Failed: 0")))
        << texts()[0].toStdString();
    EXPECT_TRUE(QFileInfo(out + QStringLiteral("/Album/01 Song.flac")).size() > 1000);
    EXPECT_FALSE(w.convertFolderDialog());

    ConvertFolderDialog& again = open(w);
    EXPECT_EQ(again.lstSources->count(), 1);
    EXPECT_EQ(again.lstSources->item(0)->text(), library.path());
    EXPECT_EQ(again.txtDestination->text(), out);
    EXPECT_EQ(again.setting->currentWidget(), again.spnFlacLevel);
    EXPECT_EQ(again.spnFlacLevel->value(), 7);
    EXPECT_TRUE(again.chkPortableNames->isChecked());
    EXPECT_FALSE(again.chkRemoveOrphans->isChecked());
    again.cmdPreview->click();
    EXPECT_EQ(counted(again), QStringLiteral("0 to convert, 0 to copy, 1 up to date, 0 to remove"));
    again.cmdConvert->click(); // the count shown is the choices': no second count
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return texts().size() == 2 && !w.isPlanningFolder(); }, 60000));
    EXPECT_TRUE(texts()[1].startsWith(QLatin1String("Converted: 0\nCopied: 0\nUp to date: 1\n")))
        << texts()[1].toStdString();
}

// The removal box counts the outputs whose source is gone; another format shows its own
// setting, WAV none.
TEST_F(ConvertFolderTest, TheCountNamesRemovalsAndTheSettingFollowsTheFormat) {
    const QString out = dest.filePath(QStringLiteral("mirror"));
    WriteSetting(SettingKey::ConvertFolderSources, library.path());
    WriteSetting(SettingKey::ConvertFolderDestination, out);
    WriteSetting(SettingKey::ConvertFolderFormat, QStringLiteral("opus"));
    WriteSetting(SettingKey::ConvertFolderSetting, QStringLiteral("96"));
    Form1& w = load();
    ConvertFolderDialog& d = open(w);
    EXPECT_EQ(d.setting->currentWidget(), d.spnOpusBitrate);
    EXPECT_EQ(d.spnOpusBitrate->value(), 96);
    d.cmdConvert->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return texts().size() == 1 && !w.isJobRunning(); }, 60000))
        << texts().join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(QFileInfo::exists(out + QStringLiteral("/Album/01 Song.opus")));

    QFile::remove(library.filePath(QStringLiteral("Album/01 Song.wav")));
    ConvertFolderDialog& again = open(w);
    again.chkRemoveOrphans->setChecked(true);
    again.cmdPreview->click();
    EXPECT_EQ(counted(again), QStringLiteral("0 to convert, 0 to copy, 0 up to date, 1 to remove"));
    EXPECT_TRUE(QFileInfo::exists(out + QStringLiteral("/Album/01 Song.opus")));

    again.cmbFormat->setCurrentIndex(again.cmbFormat->findData(QStringLiteral("mp3")));
    EXPECT_EQ(again.setting->currentWidget(), again.cmbMp3Bitrate);
    EXPECT_FALSE(again.cmbMp3Bitrate->currentText().isEmpty());
    again.cmbFormat->setCurrentIndex(again.cmbFormat->findData(QStringLiteral("wav")));
    EXPECT_TRUE(again.lblSetting->text().isEmpty());
    again.reject();
}

// A destination inside a source, or the source itself, and two sources one inside the other
// are refused in the dialog with Convert disabled; Escape leaves with nothing made.
TEST_F(ConvertFolderTest, RefusalsAreSaidInTheDialogAndEscapeMakesNothing) {
    Form1& w = load();
    ConvertFolderDialog& d = open(w);
    d.addSource(library.path());
    const QString inside = library.filePath(QStringLiteral("Album/out"));
    d.txtDestination->setText(inside);
    EXPECT_TRUE(d.lblRefusal->text().contains(QLatin1String("lies inside the source folder")))
        << d.lblRefusal->text().toStdString();
    EXPECT_FALSE(d.cmdConvert->isEnabled());
    EXPECT_FALSE(d.cmdPreview->isEnabled());
    d.txtDestination->setText(library.path());
    EXPECT_TRUE(d.lblRefusal->text().contains(QLatin1String("the source folder itself")));
    EXPECT_FALSE(d.cmdConvert->isEnabled());
    d.txtDestination->setText(QStringLiteral("relative/folder"));
    EXPECT_FALSE(d.cmdConvert->isEnabled());

    d.txtDestination->setText(dest.filePath(QStringLiteral("m")));
    EXPECT_TRUE(d.cmdConvert->isEnabled());
    d.addSource(library.filePath(QStringLiteral("Album")));
    EXPECT_TRUE(d.lblRefusal->text().contains(QLatin1String("lies inside the other")))
        << d.lblRefusal->text().toStdString();
    EXPECT_FALSE(d.cmdConvert->isEnabled());
    ASSERT_EQ(d.lstSources->currentRow(), 1);
    d.cmdRemove->click();
    EXPECT_EQ(d.lstSources->count(), 1);
    EXPECT_TRUE(d.cmdConvert->isEnabled());

    QTest::keyClick(d.txtDestination, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.convertFolderDialog(); }, 5000));
    EXPECT_FALSE(QFileInfo::exists(inside));
    EXPECT_FALSE(QFileInfo::exists(dest.filePath(QStringLiteral("m"))));
    EXPECT_TRUE(texts().isEmpty());
    EXPECT_TRUE(ConvertFolderSources.isEmpty()); // only a run keeps its choices
}

// A destination that cannot be made when Convert is pressed (a file took the place of a folder
// above it after the count) is said in the dialog, which stays open; once it can, Convert runs.
TEST_F(ConvertFolderTest, ADestinationThatCannotBeMadeIsSaidInTheDialog) {
    Form1& w = load();
    ConvertFolderDialog& d = open(w);
    d.addSource(library.path());
    const QString out = dest.filePath(QStringLiteral("cards/mirror"));
    d.txtDestination->setText(out);
    d.cmbFormat->setCurrentIndex(d.cmbFormat->findData(QStringLiteral("flac")));
    d.cmdPreview->click();
    EXPECT_EQ(counted(d), QStringLiteral("1 to convert, 0 to copy, 0 up to date, 0 to remove"));
    fixtures::writeFile(dest.filePath(QStringLiteral("cards")), "a file, not a folder");

    d.cmdConvert->click();
    EXPECT_TRUE(d.lblRefusal->text().contains(QLatin1String("cannot be created")))
        << d.lblRefusal->text().toStdString();
    EXPECT_TRUE(d.lblRefusal->text().contains(out));
    EXPECT_EQ(w.convertFolderDialog(), &d);
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(w.isPlanningFolder());
    EXPECT_TRUE(texts().isEmpty()) << texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(ConvertFolderDestination.isEmpty()); // not a run: the choices are not kept

    ASSERT_TRUE(QFile::remove(dest.filePath(QStringLiteral("cards"))));
    d.cmdConvert->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return texts().size() == 1 && !w.isJobRunning(); }, 60000))
        << texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(texts()[0].startsWith(QLatin1String("Converted: 1\n"))) << texts()[0].toStdString();
    EXPECT_TRUE(QFileInfo::exists(out + QStringLiteral("/Album/01 Song.flac")));
}

// Tab runs through the choices in reading order, and the mnemonics reach their controls.
TEST_F(ConvertFolderTest, TheKeyboardReachesEveryChoiceInOrder) {
    WriteSetting(SettingKey::ConvertFolderFormat, QStringLiteral("mp3"));
    Form1& w = load();
    ConvertFolderDialog& d = open(w);
    d.addSource(library.path());
    d.txtDestination->setText(dest.filePath(QStringLiteral("m")));
    QApplication::setActiveWindow(&d);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    d.lstSources->setFocus(Qt::OtherFocusReason);
    const std::vector<QWidget*> order{d.cmdAdd,           d.cmdRemove,        d.txtDestination,
                                      d.cmdBrowse,        d.cmbFormat,        d.cmbMp3Bitrate,
                                      d.chkRemoveOrphans, d.chkPortableNames, d.cmdPreview,
                                      d.cmdConvert,       d.cmdCancel};
    for (QWidget* next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
    QTest::keyClick(&d, Qt::Key_I, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), d.txtDestination);
    QTest::keyClick(&d, Qt::Key_O, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), d.cmbFormat);
    QTest::keyClick(&d, Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), d.cmbMp3Bitrate);
    d.reject();
}
