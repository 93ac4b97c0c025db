// The preferences window, opened from a loaded main window, offscreen.
#include "discimage.h"
#include "engine/cd/readmode.h"
#include "engine/cd/readoffset.h"
#include "engine/core/paths.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/prefs/drivespace.h"
#include "formtest.h"
#include "window/main/frmpopup.h"
#include "window/prefs/folderlist.h"
#include "window/prefs/frmprefs.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>

namespace {

class PrefsTest : public FormTest {
  protected:
    void TearDown() override {
        ModSysInfo::setSpaceQuery({});
        FormTest::TearDown();
    }
    FrmPrefs& open() {
        prefs = FrmPrefs::open(*form);
        return *prefs;
    }
    static QString stored(SettingKey key) { return settings::readText(key, QStringLiteral("-")); }
    static QStringList entries(const QComboBox* box) {
        QStringList out;
        for (int i = 0; i < box->count(); ++i)
            out << box->itemText(i);
        return out;
    }

    QPointer<FrmPrefs> prefs;
};

} // namespace

TEST_F(PrefsTest, LoadShowsTheStoredValuesAndSettlesTheDestination) {
    const QString wanted = dest.filePath(QStringLiteral("Out Dir/CD One"));
    for (auto [key, text] : std::initializer_list<std::pair<SettingKey, QString>>{
             {SettingKey::HDWarning, QStringLiteral("0")},
             {SettingKey::HDWarningNo, QStringLiteral("250")},
             {SettingKey::HDStopNo, QStringLiteral("30")},
             {SettingKey::MinimizeOnStart, QStringLiteral("1")},
             {SettingKey::DeleteWav, QStringLiteral("0")},
             {SettingKey::ShowFullPath, QStringLiteral("0")},
             {SettingKey::AudioFormat, QStringLiteral("0")},
             {SettingKey::EncodingQuality, QStringLiteral("7")},
             {SettingKey::EncodingBitrate, QStringLiteral("9")},
             {SettingKey::DecodePath, wanted}})
        WriteSetting(key, text);
    load();
    // Every fixed file system has 1,499,999 bytes free.
    ModSysInfo::setSpaceQuery([](const QString&, std::int64_t& total, std::int64_t& free) {
        total = 4'000'000'000'000;
        free = 1'499'999;
    });
    FrmPrefs& p = open();

    EXPECT_EQ(p.windowTitle(), QStringLiteral("Preferences"));
    ASSERT_EQ(p.SSTab2->count(), 5);
    EXPECT_EQ(p.SSTab2->tabText(0), QStringLiteral("Disk Space"));
    EXPECT_EQ(p.SSTab2->tabText(1), QStringLiteral("Audio, Misc."));
    EXPECT_EQ(p.SSTab2->tabText(2), QStringLiteral(" Destination Path"));
    EXPECT_EQ(p.SSTab2->tabText(3), QStringLiteral("Drive"));
    EXPECT_EQ(p.SSTab2->tabText(4), QStringLiteral("Formats"));
    for (const char* name :
         {"Check6", "Text7",     "Check7", "Text8",  "Command1", "Command3", "Text6",
          "Check3", "cbxFormat", "Check1", "Combo1", "Combo2",   "Check11",  "Check10",
          "Check5", "Check4",    "Text9",  "Check2", "Picture6", "Drive2",   "Dir2",
          "Text10", "Co111",     "Label3", "Label4"})
        EXPECT_NE(p.findChild<QWidget*>(QLatin1String(name)), nullptr) << name;

    EXPECT_FALSE(p.Check6->isChecked());
    EXPECT_EQ(p.Text7->text(), QStringLiteral("250"));
    EXPECT_TRUE(p.Check7->isChecked());
    EXPECT_EQ(p.Text8->text(), QStringLiteral("30"));
    EXPECT_FALSE(p.Check4->isChecked());
    EXPECT_TRUE(p.Check5->isChecked());
    EXPECT_FALSE(p.Check3->isChecked());
    EXPECT_FALSE(p.Check11->isChecked());
    EXPECT_TRUE(p.Check10->isChecked());
    EXPECT_EQ(p.Check10->text(), QStringLiteral("Encode to MP3 after extracting"));
    EXPECT_TRUE(p.Check1->isChecked()); // and the (absent) CD line muted
    EXPECT_EQ(p.Check1->text(), QStringLiteral("Mute"));
    EXPECT_EQ(entries(p.cbxFormat),
              (texts({"44.100Hz, 16bit Mono, 86k/sec", "44.100Hz, 16bit Stereo, 172k/sec"})));
    EXPECT_EQ(p.cbxFormat->currentIndex(), 0);
    // The quality list is the main window's; the bitrates are the encoder's.
    EXPECT_EQ(entries(p.Combo1), entries(form->cmbQuality));
    EXPECT_EQ(p.Combo1->currentText(), QStringLiteral("Hifi"));
    EXPECT_EQ(entries(p.Combo2), (texts({"32", "40", "48", "56", "64", "80", "96", "112", "128",
                                         "160", "192", "224", "256", "320"})));
    EXPECT_EQ(p.Combo2->currentText(), QStringLiteral("160"));

    // The drive panel: every fixed file system at 1 MB, and the destination's figure.
    const QStringList lines = p.Text6->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty()); // "/" at least
    for (const QString& line : lines)
        EXPECT_TRUE(line.endsWith(QStringLiteral(" - 1 MB available"))) << line.toStdString();
    EXPECT_EQ(p.Label4->text(), QStringLiteral("1"));
    EXPECT_EQ(form->destinationFreeMb(), std::optional<std::int64_t>(1));

    // The destination: created, its case kept, shown in the folder chooser.
    EXPECT_EQ(p.Text9->text(), wanted);
    EXPECT_EQ(p.Text10->text(), QStringLiteral("CD One"));
    EXPECT_EQ(DecodePath, wanted);
    EXPECT_TRUE(QFileInfo(wanted).isDir());
    EXPECT_EQ(p.Dir2->path(), wanted);
    EXPECT_FALSE(p.Check2->isChecked());
    EXPECT_TRUE(p.Picture6->isHidden());

    // One window at a time, from the main window's button and menu too.
    FrmPrefs::serve(*form);
    form->Copt->click();
    form->mnuGetMainPrefs->trigger();
    EXPECT_EQ(form->findChildren<FrmPrefs*>().size(), 1);
    EXPECT_EQ(FrmPrefs::open(*form), &p);
    EXPECT_TRUE(dialogs().messages().empty()); // never "not available"
}

TEST_F(PrefsTest, EveryControlSavesAtOnceAndTheListsWhenTheWindowCloses) {
    load();
    FrmPrefs& p = open();

    struct Box {
        QCheckBox* box;
        SettingKey key;
        const std::int16_t* variable;
    };
    for (const Box& b : {Box{p.Check6, SettingKey::HDWarning, &HDWarning},
                         Box{p.Check7, SettingKey::HDStopDecoding, &HDStopDecoding},
                         Box{p.Check3, SettingKey::DeleteWav, &DeleteWav},
                         Box{p.Check11, SettingKey::ShowFullPath, &ShowFullPath},
                         Box{p.Check10, SettingKey::EncodeAfterExtracting, &EncodeAfterExtracting},
                         Box{p.Check5, SettingKey::MinimizeOnStart, &MinimizeOnStart},
                         Box{p.Check1, SettingKey::MuteButton, &MuteButton}}) {
        SCOPED_TRACE(b.box->objectName().toStdString());
        for (int round = 0; round < 2; ++round) {
            b.box->click();
            const int value = b.box->isChecked() ? 1 : 0;
            EXPECT_EQ(stored(b.key), QString::number(value));
            EXPECT_EQ(*b.variable, value);
        }
    }
    // With no mixer present the mute box still follows and stores the choice.
    p.Check1->click();
    EXPECT_EQ(p.Check1->text(), QStringLiteral("Play"));
    EXPECT_EQ(MuteButton, 0);
    p.Check1->click();
    EXPECT_EQ(p.Check1->text(), QStringLiteral("Mute"));
    EXPECT_EQ(stored(SettingKey::MuteButton), QStringLiteral("1"));
    p.Check10->click();
    EXPECT_EQ(p.Check10->text(), QStringLiteral("Do not Encode after extracting"));

    // The levels store the text as typed, key by key; only 16-bit numbers reach the
    // variables.
    auto type = [](QLineEdit* box, const QString& text) {
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    };
    type(p.Text7, QStringLiteral("250"));
    EXPECT_EQ(stored(SettingKey::HDWarningNo), QStringLiteral("250"));
    EXPECT_EQ(HDWarningNo, 250);
    for (const char* text : {"abc", ""}) {
        type(p.Text7, QLatin1String(text));
        EXPECT_EQ(stored(SettingKey::HDWarningNo), QLatin1String(text));
        EXPECT_EQ(HDWarningNo, 250);
    }
    type(p.Text7, QStringLiteral("99999")); // 9999 was the last number that fitted
    EXPECT_EQ(stored(SettingKey::HDWarningNo), QStringLiteral("99999"));
    EXPECT_EQ(HDWarningNo, 9999);
    type(p.Text8, QStringLiteral("-7"));
    EXPECT_EQ(HDStopNo, -7);
    // "Set" saves the four again, from the boxes.
    settings::saveText(SettingKey::HDStopNo, QStringLiteral("x"));
    settings::saveText(SettingKey::HDWarning, QStringLiteral("x"));
    p.Command1->click();
    EXPECT_EQ(stored(SettingKey::HDStopNo), QStringLiteral("-7"));
    EXPECT_EQ(stored(SettingKey::HDWarning), QString::number(HDWarning));

    // The format is saved at once; quality and bitrate only when the window closes.
    p.cbxFormat->setCurrentIndex(0);
    EXPECT_EQ(stored(SettingKey::AudioFormat), QStringLiteral("0"));
    EXPECT_EQ(AudioFormat, 0);
    p.Combo1->setCurrentIndex(8);
    p.Combo2->setCurrentIndex(13);
    EXPECT_EQ(EncodingQuality, 8);
    EXPECT_EQ(EncodingBitrate, 13);
    EXPECT_EQ(stored(SettingKey::EncodingQuality), QStringLiteral("5"));
    settings::saveText(SettingKey::AudioFormat, QStringLiteral("x"));
    p.spnFilesAtOnce->setValue(3);
    EXPECT_EQ(stored(SettingKey::FilesAtOnce), QStringLiteral("3"));
    EXPECT_EQ(filesAtOnce(), 3);
    p.chkTestAndCopy->click();
    EXPECT_EQ(stored(SettingKey::TestAndCopy), QStringLiteral("1"));
    EXPECT_FALSE(p.chkNameFromDisc->isChecked());
    p.chkNameFromDisc->click();
    EXPECT_EQ(stored(SettingKey::NameFromDisc), QStringLiteral("1"));
    EXPECT_EQ(NameFromDisc, 1);
    // The AccurateRip server, once edited; emptied, it is the public service again.
    EXPECT_EQ(p.txtAccurateRipServer->text(), AccurateRipServer);
    p.txtAccurateRipServer->setText(QStringLiteral(" mirror.example:8080 "));
    emit p.txtAccurateRipServer->editingFinished();
    EXPECT_EQ(stored(SettingKey::AccurateRipServer), QStringLiteral("mirror.example:8080"));
    p.txtAccurateRipServer->clear();
    emit p.txtAccurateRipServer->editingFinished();
    EXPECT_EQ(AccurateRipServer, QStringLiteral("www.accuraterip.com:80"));
    EXPECT_EQ(p.txtAccurateRipServer->text(), AccurateRipServer);

    // The tray choice: the icon comes and this window goes, and back.
    p.Check4->click();
    EXPECT_NE(form->popup(), nullptr);
    EXPECT_TRUE(p.isHidden());
    EXPECT_EQ(DesktopIcon, 1);
    p.Check4->click();
    EXPECT_EQ(form->popup(), nullptr);
    EXPECT_TRUE(p.isVisible());

    p.close();
    EXPECT_EQ(stored(SettingKey::EncodingQuality), QStringLiteral("8"));
    EXPECT_EQ(stored(SettingKey::EncodingBitrate), QStringLiteral("13"));
    EXPECT_EQ(stored(SettingKey::AudioFormat), QStringLiteral("0"));
    EXPECT_EQ(form->cmbQuality->currentIndex(), 8);
    EXPECT_EQ(form->cmbBitrate->currentIndex(), 13);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(prefs.isNull());
}

TEST_F(PrefsTest, CreateMakesTheNamedFolderInsideTheChosenOne) {
    load();
    const QString workingFolder = QDir::currentPath();
    FrmPrefs& p = open();

    // The chooser opens with an empty name box: the destination's own name is not offered,
    // so no folder is made that the user did not name.
    EXPECT_EQ(p.Text10->text(), FileNameOf(DecodePath));
    p.Check2->click();
    EXPECT_FALSE(p.Picture6->isHidden());
    EXPECT_TRUE(p.Text10->text().isEmpty());
    // Browsing shows the folder to create in, and changes nothing: not the drive's root
    // picked in the drive box, not a folder chosen in the list.
    const QString before = DecodePath;
    const QString storedBefore = stored(SettingKey::DecodePath);
    const QString shownBefore = form->Label2->text();
    ASSERT_EQ(p.Drive2->itemData(0).toString(), QStringLiteral("/")); // always reachable
    p.Drive2->setCurrentIndex(0);
    p.Drive2_Change(); // picked again, should it be the destination's drive already
    EXPECT_EQ(p.Dir2->path(), QStringLiteral("/"));
    ASSERT_TRUE(QDir(dest.path()).mkpath(QStringLiteral("Parent")));
    const QString parent = dest.filePath(QStringLiteral("Parent"));
    p.Dir2->setPath(parent);
    EXPECT_EQ(p.Text9->text(), parent);
    EXPECT_EQ(stored(SettingKey::DecodePath), storedBefore);
    EXPECT_EQ(DecodePath, before);
    EXPECT_EQ(form->Label2->text(), shownBefore);

    // No name: said, and nothing changes.
    p.Co111->click();
    ASSERT_EQ(dialogs().messages().size(), 1u);
    EXPECT_EQ(dialogs().messages()[0].text,
              QStringLiteral("Enter a name for the Destination directory"));
    EXPECT_TRUE(p.Check2->isChecked());
    EXPECT_EQ(DecodePath, before);

    p.Text10->setText(QStringLiteral("New Rips"));
    p.Co111->click();
    const QString made = parent + QStringLiteral("/New Rips");
    EXPECT_TRUE(QFileInfo(made).isDir());
    EXPECT_EQ(DecodePath, made);
    EXPECT_EQ(stored(SettingKey::DecodePath), made);
    EXPECT_EQ(p.Text9->text(), made);
    EXPECT_FALSE(p.Check2->isChecked());
    EXPECT_TRUE(p.Picture6->isHidden());
    EXPECT_EQ(dialogs().messages().size(), 1u);
    // Making the destination never makes it the working folder.
    EXPECT_EQ(QDir::currentPath(), workingFolder);

    // A folder that cannot be made is named, and the destination stays where it was.
    const QString file = makeFile(QStringLiteral("plain file"));
    p.Check2->click();
    p.Text9->setText(file);
    p.Text10->setText(QStringLiteral("inside"));
    dialogs().clear();
    p.Co111->click();
    const auto messages = dialogs().messages();
    ASSERT_EQ(messages.size(), 1u); // one message, naming the folder
    EXPECT_EQ(messages.back().text, QStringLiteral("Error in creating the path ") + file +
                                        QStringLiteral("/inside  Create a new Destination path "
                                                       "using the selection controls"));
    EXPECT_EQ(DecodePath, made);
    EXPECT_EQ(stored(SettingKey::DecodePath), made);
    EXPECT_EQ(p.Text9->text(), made);

    // A parent that is no path at all: the program asks for a name and makes that folder
    // beside the program; no answer changes nothing.
    auto createWithoutParent = [&](const std::optional<QString>& answer) {
        if (!p.Check2->isChecked())
            p.Check2->click();
        p.Text9->clear();
        p.Text10->setText(QStringLiteral("x"));
        dialogs().clear();
        dialogs().inputs.push_back(answer);
        p.Co111->click();
        ASSERT_EQ(dialogs().records.size(), 1u);
        EXPECT_EQ(dialogs().records[0].prompt,
                  QStringLiteral("Error creating a new directory. Enter the name of the File "
                                 "directory you would like to create "));
    };
    createWithoutParent(std::nullopt);
    EXPECT_EQ(DecodePath, made);
    EXPECT_EQ(stored(SettingKey::DecodePath), made);
    const QString named = ProgramFolder() + QStringLiteral("/Asked For");
    QDir(named).removeRecursively();
    createWithoutParent(QStringLiteral("Asked For"));
    EXPECT_TRUE(QFileInfo(named).isDir());
    EXPECT_EQ(DecodePath, named);
    EXPECT_EQ(stored(SettingKey::DecodePath), named);
    EXPECT_EQ(p.Text10->text(), QStringLiteral("Asked For"));
    EXPECT_FALSE(p.Check2->isChecked());
    QDir(named).removeRecursively();
}

// Close and Escape close the window (saving what closing saves); the drive box is named by
// its label for a screen reader, which would otherwise read only its entry ("/").
TEST_F(PrefsTest, CloseOrEscapeCloseTheWindowAndTheDriveBoxIsLabelled) {
    load();
    FrmPrefs* p = &open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(p));
    p->Combo2->setCurrentIndex(3);
    QTest::keyClick(p->Text7, Qt::Key_Escape); // from a box of the window
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(prefs.isNull());
    EXPECT_EQ(stored(SettingKey::EncodingBitrate), QStringLiteral("3"));

    p = &open();
    auto* closeButton = p->findChild<QPushButton*>(QStringLiteral("cmdClose"));
    ASSERT_NE(closeButton, nullptr);
    EXPECT_EQ(closeButton->text(), QStringLiteral("Close"));
    QAccessibleInterface* drive = QAccessible::queryAccessibleInterface(p->Drive2);
    ASSERT_NE(drive, nullptr);
    const auto labels = drive->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0].first->text(QAccessible::Name), QStringLiteral("Drive:"));
    closeButton->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(prefs.isNull());
}

TEST_F(PrefsTest, FirstOpeningWithNoStoredDestinationMakesWavFilesBesideTheProgram) {
    load();
    settings::saveText(SettingKey::DecodePath, QString());
    const QString expected = ProgramFolder() + QStringLiteral("/WAVFiles");
    const bool existed = QFileInfo::exists(expected);
    FrmPrefs& p = open();
    EXPECT_TRUE(QFileInfo(expected).isDir());
    EXPECT_EQ(p.Text9->text(), expected);
    EXPECT_EQ(p.Text10->text(), QStringLiteral("WAVFiles"));
    EXPECT_EQ(DecodePath, expected);
    EXPECT_EQ(stored(SettingKey::DecodePath), expected);
    if (!existed)
        QDir(expected).removeRecursively();
}

// The Drive tab shows the model of the main window's drive and stores its read offset and
// overread choice the moment either changes; a store that fails is said.
TEST_F(PrefsTest, TheDriveTabStoresTheReadOffsetOfTheDrivesModel) {
    QTemporaryDir images;
    cddrives::forgetImages();
    const DiscImage image = writeDiscImage(images.path(), QStringLiteral("disc"), {{30, 440}});
    const auto drive = cddrives::registerImage(image.cuePath);
    ASSERT_TRUE(drive.ok());
    cddrives::setMediaDrive(drive.value().driveIndex);
    ASSERT_TRUE(readoffset::store(QStringLiteral("Disc image"), -12, false).ok());
    load();
    FrmPrefs& p = open();
    EXPECT_EQ(p.lblDriveModel->text(), QStringLiteral("Disc image"));
    EXPECT_EQ(p.spnReadOffset->value(), -12);
    EXPECT_EQ(p.spnReadOffset->maximum(), readoffset::maxSamples);

    p.spnReadOffset->setValue(667);
    p.chkOverread->click();
    auto kept = readoffset::stored(QStringLiteral("Disc image"));
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(kept->samples, 667);
    EXPECT_TRUE(kept->overreads);
    EXPECT_TRUE(dialogs().records.empty());

    // A settings file that cannot be written: the user is told, with the file's name.
    const QString file = QSettings(QSettings::NativeFormat, QSettings::UserScope,
                                   QString::fromLatin1(settings::applicationName))
                             .fileName();
    QFile::remove(file);
    ASSERT_TRUE(QDir().mkpath(file));
    p.spnReadOffset->setValue(30);
    const dialogs::Message* said = dialogs().lastMessage();
    ASSERT_NE(said, nullptr);
    EXPECT_TRUE(said->text.contains(QStringLiteral("cannot be written")))
        << said->text.toStdString();
    EXPECT_EQ(said->icon, dialogs::Icon::Critical);
    QDir(file).removeRecursively();
    p.close();
    cddrives::forgetImages();
}

// The Drive tab's reading block shows the stored choices and stores each change at once; the
// minimum confidence is offered for a fast rip only.
TEST_F(PrefsTest, TheDriveTabStoresHowRipsRead) {
    WriteSetting(SettingKey::RipReadMode, QStringLiteral("paranoid"));
    WriteSetting(SettingKey::MinimumConfidence, std::int16_t(4));
    WriteSetting(SettingKey::ReadRetryLimit, std::int16_t(7));
    load();
    FrmPrefs& p = open();
    auto* mode = p.findChild<QComboBox*>(QStringLiteral("cmbReadMode"));
    auto* confidence = p.findChild<QSpinBox*>(QStringLiteral("spnMinimumConfidence"));
    auto* retries = p.findChild<QSpinBox*>(QStringLiteral("spnRetryLimit"));
    ASSERT_TRUE(mode && confidence && retries);
    EXPECT_EQ(entries(mode),
              (QStringList{QStringLiteral("Secure"), QStringLiteral("Fast, verified"),
                           QStringLiteral("Paranoid")}));
    EXPECT_EQ(mode->currentText(), QStringLiteral("Paranoid"));
    EXPECT_EQ(confidence->value(), 4);
    EXPECT_FALSE(confidence->isEnabled());
    EXPECT_EQ(retries->value(), 7);

    mode->setCurrentIndex(1);
    EXPECT_EQ(stored(SettingKey::RipReadMode), QStringLiteral("fast"));
    EXPECT_TRUE(confidence->isEnabled());
    confidence->setValue(9);
    retries->setValue(0);
    EXPECT_EQ(stored(SettingKey::MinimumConfidence), QStringLiteral("9"));
    EXPECT_EQ(stored(SettingKey::ReadRetryLimit), QStringLiteral("0"));
    EXPECT_EQ(readmode::fromSettings().mode, readmode::Mode::Fast);
    EXPECT_EQ(readmode::fromSettings().retryLimit, 0);
    p.close();
}

// The formats tab shows the stored choices (defaults: MP3, level 5, 128 kbit/s) and stores
// each change at once, where the conversions read it.
TEST_F(PrefsTest, TheFormatsTabStoresTheConversionFormatAndEachFormatsChoice) {
    load();
    FrmPrefs& p = open();
    EXPECT_EQ(entries(p.cmbConvertTo), texts({"MP3", "FLAC", "Opus", "WAV"}));
    EXPECT_EQ(p.cmbConvertTo->currentText(), QStringLiteral("MP3"));
    EXPECT_EQ(p.spnFlacLevel->value(), 5);
    EXPECT_EQ(p.spnOpusBitrate->value(), 128);
    EXPECT_EQ(p.spnFlacLevel->minimum(), 0);
    EXPECT_EQ(p.spnFlacLevel->maximum(), 8);
    EXPECT_EQ(p.spnOpusBitrate->minimum(), 6);
    EXPECT_EQ(p.spnOpusBitrate->maximum(), 510);
    // Opening stores nothing.
    EXPECT_EQ(stored(SettingKey::ConvertAudioTo), QStringLiteral("-"));

    p.cmbConvertTo->setCurrentIndex(1);
    p.spnFlacLevel->setValue(8);
    p.spnOpusBitrate->setValue(64);
    EXPECT_EQ(stored(SettingKey::ConvertAudioTo), QStringLiteral("flac"));
    EXPECT_EQ(stored(SettingKey::FlacLevel), QStringLiteral("8"));
    EXPECT_EQ(stored(SettingKey::OpusBitrateKbps), QStringLiteral("64"));
    const ConversionSettings taken = form->conversionSettings();
    EXPECT_EQ(taken.convertTo, pipeline::OutputFormat::Flac);
    EXPECT_EQ(taken.formats.flacLevel, 8);
    EXPECT_EQ(taken.formats.opusBitrateKbps, 64);
    p.close();
    ASSERT_TRUE(QTest::qWaitFor([this] { return prefs.isNull(); }, 2000));

    // Opened again, it shows them.
    WriteSetting(SettingKey::ConvertAudioTo, QStringLiteral("wav"));
    FrmPrefs& again = open();
    EXPECT_EQ(again.cmbConvertTo->currentText(), QStringLiteral("WAV"));
    EXPECT_EQ(again.spnFlacLevel->value(), 8);
    EXPECT_EQ(again.spnOpusBitrate->value(), 64);
    // Each is named by its label, which moves the focus there with Alt and its letter.
    for (QWidget* control : std::initializer_list<QWidget*>{again.cmbConvertTo, again.spnFlacLevel,
                                                            again.spnOpusBitrate}) {
        const QLabel* label = nullptr;
        for (const QLabel* candidate : again.findChildren<QLabel*>())
            if (candidate->buddy() == control)
                label = candidate;
        ASSERT_NE(label, nullptr) << control->objectName().toStdString();
        EXPECT_FALSE(QKeySequence::mnemonic(label->text()).isEmpty());
        EXPECT_FALSE(control->toolTip().isEmpty());
    }
}

// "File names": a template that is none is said, with its position, as it is typed, and is
// never saved, neither when the field is left nor when the window closes.
TEST_F(PrefsTest, TheFileNameTemplateIsCheckedBeforeItIsSaved) {
    load();
    FrmPrefs* p = &open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(p));
    EXPECT_TRUE(p->txtFileNames->text().isEmpty());
    EXPECT_TRUE(p->lblFileNamesProblem->isHidden());

    QTest::keyClicks(p->txtFileNames, QStringLiteral("{album}/[{disc}-{track}"));
    EXPECT_FALSE(p->lblFileNamesProblem->isHidden());
    EXPECT_TRUE(p->lblFileNamesProblem->text().contains(QStringLiteral("position 9")))
        << p->lblFileNamesProblem->text().toStdString();
    emit p->txtFileNames->editingFinished();
    EXPECT_EQ(stored(SettingKey::FileNameTemplate), QStringLiteral("-"));

    QTest::keyClick(p->txtFileNames, Qt::Key_End);
    QTest::keyClicks(p->txtFileNames, QStringLiteral("] - {title}"));
    EXPECT_TRUE(p->lblFileNamesProblem->isHidden());
    emit p->txtFileNames->editingFinished();
    const QString good = QStringLiteral("{album}/[{disc}-{track}] - {title}");
    EXPECT_EQ(stored(SettingKey::FileNameTemplate), good);
    EXPECT_EQ(FileNameTemplate, good);

    QTest::keyClicks(p->txtFileNames, QStringLiteral("{genre}"));
    EXPECT_TRUE(p->lblFileNamesProblem->text().contains(QStringLiteral("{genre}")));
    p->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(stored(SettingKey::FileNameTemplate), good);

    p = &open();
    EXPECT_EQ(p->txtFileNames->text(), good);
    EXPECT_TRUE(p->lblFileNamesProblem->isHidden());
}
