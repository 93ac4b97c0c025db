// File-name templates: fields, brackets, folders, hostile values and long names.
#include "engine/cd/nametemplate.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

using nametemplate::Template;
using nametemplate::Values;

Values setValues() {
    Values v;
    v.albumArtist = QStringLiteral("Ann Vale");
    v.artist = QStringLiteral("Ann Vale feat. Bo");
    v.album = QStringLiteral("Sea Songs");
    v.year = QStringLiteral("2005");
    v.disc = QStringLiteral("2");
    v.discs = QStringLiteral("3");
    v.track = QStringLiteral("05");
    v.title = QStringLiteral("Tide");
    v.isrc = QStringLiteral("GBAAA0500005");
    return v;
}

Values singleDisc() {
    Values v = setValues();
    v.disc.clear();
    v.discs.clear();
    return v;
}

QString render(const QString& text, const Values& values, bool portable = false) {
    const auto parsed = Template::parse(text);
    EXPECT_TRUE(parsed.ok()) << text.toStdString();
    return parsed ? parsed->render(values, QStringLiteral(".flac"), portable) : QString();
}

TEST(NameTemplate, EveryFieldAndBracketsRender) {
    struct Case {
        const char* text;
        bool set;
        const char* expected;
    };
    const Case cases[] = {
        {"{albumartist}/{album}/[{disc}-]{track} - {title}", true,
         "Ann Vale/Sea Songs/2-05 - Tide.flac"},
        {"{albumartist}/{album}/[{disc}-]{track} - {title}", false,
         "Ann Vale/Sea Songs/05 - Tide.flac"},
        {"{artist} {year} [CD {disc} of {discs}] {isrc}", true,
         "Ann Vale feat. Bo 2005 CD 2 of 3 GBAAA0500005.flac"},
        {"{artist} {year} [CD {disc} of {discs}] {isrc}", false,
         "Ann Vale feat. Bo 2005  GBAAA0500005.flac"},
        // A bracket around a folder: a disc folder only on a set.
        {"{ALBUM}/[Disc {disc}/]{track}", true, "Sea Songs/Disc 2/05.flac"},
        {"{album}/[Disc {disc}/]{track}", false, "Sea Songs/05.flac"},
        // Leading and doubled separators make no empty folder.
        {"/{album}//{track}", true, "Sea Songs/05.flac"},
        {"[{disc}]", false, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(render(QString::fromUtf8(c.text), c.set ? setValues() : singleDisc()),
                  QString::fromUtf8(c.expected))
            << c.text << (c.set ? " (set)" : " (single)");
}

TEST(NameTemplate, BadTemplatesNameThePosition) {
    struct Case {
        const char* text;
        const char* says;
    };
    const Case cases[] = {
        {"{album}/{tracks}", "{tracks} (at position 9)"},
        {"{album", "position 1 "},
        {"ab}", "position 3 "},
        {"x]{title}", "position 2 "},
        {"[{disc}-{track}", "position 1 "},
        {"[a[{disc}]]", "position 3 "},
    };
    for (const Case& c : cases) {
        const auto parsed = Template::parse(QString::fromUtf8(c.text));
        ASSERT_FALSE(parsed.ok()) << c.text;
        EXPECT_TRUE(parsed.error().description().contains(QString::fromUtf8(c.says)))
            << c.text << ": " << parsed.error().description().toStdString();
    }
    EXPECT_TRUE(Template::parse(QString()).ok());
}

TEST(NameTemplate, HostileValuesStayBelowTheDestination) {
    Values v = setValues();
    v.albumArtist = QStringLiteral("..");
    v.album = QStringLiteral("../../etc");
    v.title = QStringLiteral("aXb\nc/d");
    v.title[1] = QChar(0);
    const QString path = render(QStringLiteral("{albumartist}/{album}/{title}"), v);
    EXPECT_EQ(path, QStringLiteral("_.._etc/a_b_c_d.flac"));
    const QString inside = QDir::cleanPath(QStringLiteral("/dest/") + path);
    EXPECT_TRUE(inside.startsWith(QStringLiteral("/dest/"))) << inside.toStdString();

    // A hidden name is not made, and a value of dots alone drops its folder.
    v.albumArtist = QStringLiteral(" . ");
    v.title = QStringLiteral(".profile");
    EXPECT_EQ(render(QStringLiteral("{albumartist}/{title}"), v), QStringLiteral("profile.flac"));
    // Nothing left of the file's name: no name (the caller keeps its own).
    v.title = QStringLiteral("..");
    EXPECT_EQ(render(QStringLiteral("{albumartist}/{title}"), v), QString());
}

TEST(NameTemplate, PortableNamesAreValidOnFat) {
    Values v = setValues();
    v.album = QStringLiteral("What? Now: <Live>");
    v.title = QStringLiteral("con");
    EXPECT_EQ(render(QStringLiteral("{album}/{title}"), v, true),
              QStringLiteral("What_ Now_ _Live_/con_.flac"));
    // Without it only what Linux refuses is changed.
    EXPECT_EQ(render(QStringLiteral("{album}/{title}"), v, false),
              QStringLiteral("What? Now: <Live>/con.flac"));
}

TEST(NameTemplate, LongValuesAreCutOnCharacterBoundaries) {
    Values v = setValues();
    v.album = QString(10000, QChar(0x65e5));               // 3 bytes each in UTF-8
    v.title = QStringLiteral("\U0001F600").repeated(5000); // 4 bytes, two units each
    const QString path = render(QStringLiteral("{album}/{track} {title}"), v);
    const QStringList names = path.split(QLatin1Char('/'));
    ASSERT_EQ(names.size(), 2);
    EXPECT_EQ(names[0].toUtf8().size(), 255);
    EXPECT_EQ(names[0], QString(85, QChar(0x65e5)));
    EXPECT_LE(names[1].toUtf8().size(), 255);
    EXPECT_TRUE(names[1].endsWith(QStringLiteral("\U0001F600.flac")));
    EXPECT_EQ(names[1].toUtf8().size(), 3 + 4 * 61 + 5); // "05 " + whole characters + ".flac"
}

TEST(NameTemplate, ValuesComeFromTheDisc) {
    DiscInfo disc;
    disc.album = QStringLiteral("Sea Songs");
    disc.artist = QStringLiteral("Ann Vale");
    disc.date = QStringLiteral("2005-03-01");
    disc.tracks.push_back(TrackInfo{5, QStringLiteral("Tide"), QStringLiteral("Bo"), {}});
    Values v = nametemplate::valuesOf(disc, 5, QStringLiteral("GBAAA0500005"));
    EXPECT_EQ(v.year, QStringLiteral("2005"));
    EXPECT_EQ(v.track, QStringLiteral("05"));
    EXPECT_EQ(v.artist, QStringLiteral("Bo"));
    EXPECT_EQ(v.albumArtist, QStringLiteral("Ann Vale"));
    EXPECT_TRUE(v.disc.isEmpty());
    EXPECT_TRUE(v.discs.isEmpty());
    disc.discNumber = 2;
    disc.discTotal = 3;
    v = nametemplate::valuesOf(disc, 12, {});
    EXPECT_EQ(v.disc, QStringLiteral("2"));
    EXPECT_EQ(v.discs, QStringLiteral("3"));
    EXPECT_EQ(v.track, QStringLiteral("12"));
    EXPECT_EQ(v.artist, QStringLiteral("Ann Vale"));
    EXPECT_TRUE(v.title.isEmpty());
}

} // namespace
