#include "engine/search/websearch.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray urlFor(const char* engine, const char* keywords) {
    return websearch::searchUrl(QString::fromUtf8(engine), QString::fromUtf8(keywords)).toEncoded();
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

TEST(WebSearch, EachEngineGetsItsRequestWithTheKeywordsEscaped) {
    EXPECT_EQ(
        websearch::engineNames(),
        (QStringList{QStringLiteral("Yahoo"), QStringLiteral("Goto"), QStringLiteral("Google"),
                     QStringLiteral("Altavista"), QStringLiteral("Go")}));
    EXPECT_EQ(urlFor("Google", "two words"),
              "http://www.google.com/search?hl=en&q=two+words&btnG=Google+Search");
    EXPECT_EQ(urlFor("Yahoo", "two words"), "http://search.yahoo.com/bin/search?p=two+words");
    EXPECT_EQ(urlFor("Goto", "two words"),
              "http://www.goto.com/d/search/;$sessionid$7QKXWPRNDBZTAHMJCVELS2F"
              "?type=home&Keywords=two+words");
    EXPECT_EQ(urlFor("Altavista", "two words"),
              "http://www.altavista.com/sites/search/web?q=two+words=q&kl=XX&search=Search");
    EXPECT_EQ(urlFor("Go", "two words"),
              "http://www.go.com/d/search/p/go/;$sessionid$R4TNBKXQWLDHMZPCJSEAGVY"
              "?Keywords=two+words");

    // Characters with a meaning in a query stay part of the keywords.
    EXPECT_EQ(urlFor("Yahoo", "rock & roll"), "http://search.yahoo.com/bin/search?p=rock+%26+roll");
    EXPECT_EQ(urlFor("Yahoo", "c++ #1 a=b?"),
              "http://search.yahoo.com/bin/search?p=c%2B%2B+%231+a%3Db%3F");
    EXPECT_EQ(urlFor("Yahoo", "café"), "http://search.yahoo.com/bin/search?p=caf%C3%A9");

    // Names are exact: no match, no request.
    for (const char* name : {"google", "search1", "", " Google"})
        EXPECT_TRUE(websearch::searchUrl(QString::fromUtf8(name), QStringLiteral("x")).isEmpty())
            << name;
}

TEST(WebSearch, ReplaceStringIgnoresCaseAndNeverSearchesWhatItInserted) {
    EXPECT_EQ(ReplaceString(QStringLiteral("Rock AND roll and Blues"), QStringLiteral("and"),
                            QStringLiteral("&")),
              QStringLiteral("Rock & roll & Blues"));
    EXPECT_EQ(ReplaceString(QStringLiteral("aAa"), QStringLiteral("a"), QStringLiteral("xa")),
              QStringLiteral("xaxaxa"));
    EXPECT_EQ(ReplaceString(QStringLiteral("Keep"), QStringLiteral("z"), QStringLiteral("y")),
              QStringLiteral("Keep"));
    EXPECT_EQ(ReplaceString(QStringLiteral("Keep"), QString(), QStringLiteral("y")),
              QStringLiteral("Keep"));
}

TEST(WebSearch, BlankPageGoesToTheProgramFolderOrElseTheDataFolder) {
    const QByteArray expected("<html><head><title>title</title></head><body>\r\n"
                              "\r\n"
                              "</BODY></HTML>\r\n");
    QTemporaryDir program;
    ASSERT_TRUE(program.isValid());
    const QDir dir(program.path());
    QFile stale(dir.filePath(QStringLiteral("Templat1.html")));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    QFile old(dir.filePath(QStringLiteral("Templat1.htm")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(500, 'x')); // longer than the page: nothing of it may remain
    old.close();

    const QString page = websearch::writeBlankPage(program.path());
    EXPECT_EQ(page, dir.filePath(QStringLiteral("Templat1.htm")));
    EXPECT_EQ(contents(page), expected);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("Templat1.html"))));

    // A program folder nothing can be written in (here: a file stands where it should be).
    const QString blocked = dir.filePath(QStringLiteral("Templat1.htm"));
    const QString fallback = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                             QStringLiteral("/MP3 Vortan v2.0/Templat1.htm");
    EXPECT_EQ(websearch::writeBlankPage(blocked), fallback);
    EXPECT_EQ(contents(fallback), expected);
}
