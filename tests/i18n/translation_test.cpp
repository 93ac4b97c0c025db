// The German translation: complete for every text lupdate finds in the sources, consistent
// with them (placeholders, mnemonics), chosen from the locale, and used by the command-line
// converter.
#include "engine/core/translation.h"
#include "toolrun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <set>

namespace {

const QString translations = QStringLiteral(VORTAN_TRANSLATIONS_DIR);

struct Message {
    QString context;
    QString source;
    QString translation;
    bool finished = false;
};

// The messages of a .ts file; plural forms count as finished when each form is.
std::vector<Message> readTs(const QString& path) {
    std::vector<Message> out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return out;
    QXmlStreamReader xml(&file);
    QString context;
    Message m;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("name"))
                context = xml.readElementText();
            else if (xml.name() == QLatin1String("message"))
                m = Message{context, {}, {}, false};
            else if (xml.name() == QLatin1String("source"))
                m.source = xml.readElementText();
            else if (xml.name() == QLatin1String("translation")) {
                const QString type = xml.attributes().value(QLatin1String("type")).toString();
                m.translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                m.finished = type.isEmpty() && !m.translation.isEmpty();
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
            out.push_back(m);
        }
    }
    return out;
}

// The placeholders of a text (%1, %2, ...), each once.
std::set<QString> placeholders(const QString& text) {
    static const QRegularExpression marker(QStringLiteral("%(\\d+)"));
    std::set<QString> out;
    for (const QRegularExpressionMatch& match : marker.globalMatch(text))
        out.insert(match.captured(0));
    return out;
}

// True when the text marks a mnemonic: an ampersand before a letter or digit ("&&" is a
// literal ampersand).
bool hasMnemonic(const QString& text) {
    static const QRegularExpression mark(QStringLiteral("(^|[^&])&[^&\\s]"));
    return text.contains(mark);
}

// Sets environment variables for the life of the object.
class Environment {
  public:
    Environment(std::initializer_list<std::pair<const char*, const char*>> values) {
        for (const auto& value : values) {
            saved_.push_back(
                {value.first, qgetenv(value.first), qEnvironmentVariableIsSet(value.first)});
            if (value.second)
                qputenv(value.first, value.second);
            else
                qunsetenv(value.first);
        }
    }
    ~Environment() {
        for (const Saved& s : saved_) {
            if (s.wasSet)
                qputenv(s.name, s.value);
            else
                qunsetenv(s.name);
        }
    }

  private:
    struct Saved {
        const char* name;
        QByteArray value;
        bool wasSet;
    };
    std::vector<Saved> saved_;
};

class TranslationTest : public testing::Test {
  protected:
    void TearDown() override { translation::remove(); }
};

} // namespace

// lupdate over the sources, merged into a copy of the German .ts: every text it finds has a
// finished German translation with the same placeholders and, where the English marks one, a
// mnemonic. The failure lists each text to translate in translations/mp3vortan_de.ts.
TEST(GermanTranslation, CoversEveryTextOfTheSources) {
    const QString lupdate = QStringLiteral(VORTAN_LUPDATE);
    if (lupdate.isEmpty() || !QFileInfo(lupdate).isExecutable())
        GTEST_SKIP() << "lupdate is not installed (Qt's Linguist tools): the sources' texts "
                        "were not checked against the translation";
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const QString source = QStringLiteral(VORTAN_SOURCE_DIR);
    const QString copy = work.filePath(QStringLiteral("mp3vortan_de.ts"));
    ASSERT_TRUE(QFile::copy(source + QStringLiteral("/translations/mp3vortan_de.ts"), copy));
    const ToolRun run =
        runTool(lupdate, {QStringLiteral("-silent"), QStringLiteral("-no-obsolete"),
                          QStringLiteral("-locations"), QStringLiteral("none"),
                          source + QStringLiteral("/src"), QStringLiteral("-ts"), copy});
    ASSERT_TRUE(run.ok()) << run.err.toStdString();

    const std::vector<Message> messages = readTs(copy);
    ASSERT_GT(messages.size(), 500u);
    QStringList missing, inconsistent;
    for (const Message& m : messages) {
        const QString where = m.context + QStringLiteral(": \"") + m.source + QLatin1Char('"');
        if (!m.finished) {
            missing << where;
            continue;
        }
        if (placeholders(m.source) != placeholders(m.translation))
            inconsistent << where + QStringLiteral(" -> placeholders differ in \"") +
                                m.translation + QLatin1Char('"');
        if (hasMnemonic(m.source) && !hasMnemonic(m.translation))
            inconsistent << where + QStringLiteral(" -> no mnemonic in \"") + m.translation +
                                QLatin1Char('"');
    }
    EXPECT_TRUE(missing.isEmpty())
        << missing.size() << " text(s) of the sources have no German translation; "
        << "run lupdate -no-obsolete -locations none src -ts translations/mp3vortan_de.ts "
        << "and translate:\n"
        << missing.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(inconsistent.isEmpty()) << inconsistent.join(QLatin1Char('\n')).toStdString();
}

TEST_F(TranslationTest, GermanLocaleInstallsGermanAndQtsOwnTexts) {
    EXPECT_EQ(translation::install(QLocale(QLocale::German, QLocale::Germany), translations),
              QStringLiteral("de"));
    EXPECT_EQ(QCoreApplication::translate("Form1", "&File"), QStringLiteral("&Datei"));
    // Austrian German falls back to German.
    EXPECT_EQ(translation::install(QLocale(QLocale::German, QLocale::Austria), translations),
              QStringLiteral("de"));
    EXPECT_EQ(QCoreApplication::translate("Form1", "&Help"), QStringLiteral("&Hilfe"));
    if (QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                          QStringLiteral("/qtbase_de.qm"))) {
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"),
                  QStringLiteral("Abbrechen"));
    }
}

TEST_F(TranslationTest, EnglishOrAnUntranslatedLanguageLeavesTheSourcesTexts) {
    ASSERT_EQ(translation::install(QLocale(QLocale::German), translations), QStringLiteral("de"));
    // Each install replaces the one before.
    for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedStates), QLocale::c(),
                                  QLocale(QLocale::French, QLocale::France)}) {
        EXPECT_EQ(translation::install(locale, translations), QString())
            << locale.name().toStdString();
        EXPECT_EQ(QCoreApplication::translate("Form1", "&File"), QStringLiteral("&File"));
    }
    // A folder without translations leaves English too.
    QTemporaryDir empty;
    EXPECT_EQ(translation::install(QLocale(QLocale::German), empty.path()), QString());
    EXPECT_EQ(QCoreApplication::translate("Form1", "&File"), QStringLiteral("&File"));
}

// The converter speaks the user's language from LANG: its help and its usage errors.
TEST(CliTranslation, HelpAndUsageErrorsFollowTheLocale) {
    const QString cli = QStringLiteral(VORTAN_CLI);
    {
        const Environment german{
            {"LANG", "de_DE.UTF-8"}, {"LC_ALL", nullptr}, {"LC_MESSAGES", nullptr}};
        const ToolRun help = runTool(cli, {QStringLiteral("--help")});
        ASSERT_TRUE(help.ok());
        EXPECT_TRUE(help.out.startsWith("Aufruf: mp3vortan-cli BEFEHL [OPTIONEN] ARGUMENTE\n"))
            << help.out.left(200).toStdString();
        EXPECT_FALSE(help.out.contains("Usage:"));
        const ToolRun wrong = runTool(cli, {QStringLiteral("--no-such-option")});
        EXPECT_EQ(wrong.exitCode, 2);
        EXPECT_TRUE(wrong.err.contains("'mp3vortan-cli --help'")) << wrong.err.toStdString();
        EXPECT_FALSE(wrong.err.contains("Try ")) << wrong.err.toStdString();
    }
    {
        const Environment english{{"LANG", "de_DE.UTF-8"}, {"LC_ALL", "en_US.UTF-8"}};
        const ToolRun help = runTool(cli, {QStringLiteral("--help")});
        ASSERT_TRUE(help.ok());
        EXPECT_TRUE(help.out.startsWith("Usage: mp3vortan-cli COMMAND [OPTIONS] ARGUMENTS\n"));
    }
}
