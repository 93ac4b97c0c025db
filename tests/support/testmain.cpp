// Test entry shared by every test program. Before each test it points the settings store
// and the XDG folders at a fresh temporary folder and installs a fresh scripted dialog
// handler, so tests never see each other's settings and never touch the real home.
#include "engine/core/translation.h"
#include "scripteddialogs.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#ifdef VORTAN_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

namespace {

std::unique_ptr<ScriptedDialogs> current;

class IsolationListener final : public testing::EmptyTestEventListener {
  public:
    void OnTestStart(const testing::TestInfo&) override {
        home_ = std::make_unique<QTemporaryDir>();
        const QString config = home_->filePath(QStringLiteral("config"));
        for (auto format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope, config);
        qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
        qputenv("XDG_DATA_HOME", home_->filePath(QStringLiteral("data")).toLocal8Bit());
        current = std::make_unique<ScriptedDialogs>();
        dialogs::setHandler(current.get());
    }
    void OnTestEnd(const testing::TestInfo&) override {
        dialogs::setHandler(nullptr);
        current.reset();
        home_.reset();
    }

  private:
    std::unique_ptr<QTemporaryDir> home_;
};

} // namespace

ScriptedDialogs& testsupport::scriptedDialogs() {
    return *current;
}

int main(int argc, char** argv) {
#ifdef VORTAN_TEST_GUI
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    // The sound card mixer is never touched: alsa-lib reads an empty configuration, so it
    // knows no card (the program mutes the CD line when a window loads).
    qputenv("ALSA_CONFIG_PATH", "/dev/null");
    // Tests read the program's English texts and the C locale's numbers whatever the machine's
    // language; the programs they start inherit that. VORTAN_TEST_LANGUAGE ("de") runs the
    // tests with that translation installed.
    qputenv("LC_ALL", "C.UTF-8");
    qunsetenv("LANGUAGE");
    TestApplication app(argc, argv);
    const QString language = qEnvironmentVariable("VORTAN_TEST_LANGUAGE");
    if (!language.isEmpty() &&
        translation::install(QLocale(language), QStringLiteral(VORTAN_TRANSLATIONS_DIR)).isEmpty()) {
        std::fprintf(stderr, "No translation for %s in %s\n", qPrintable(language),
                     VORTAN_TRANSLATIONS_DIR);
        return 1;
    }
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new IsolationListener);
    return RUN_ALL_TESTS();
}
