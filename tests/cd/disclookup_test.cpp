// The MusicBrainz look-up client against a local HTTP server that answers with texts written
// here in the web service's JSON format.
#include "musicbrainzservice.h"

#include "engine/cd/disclookup.h"
#include "engine/core/settings.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace {

using musicbrainz::DiscLookup;
using musicbrainz::LookupRequest;
using musicbrainz::ServerAddress;

using namespace mbservice;
using ReleaseMatchList = std::vector<musicbrainz::ReleaseMatch>;

const QString discId = exampleDiscId;
const QString discToc = exampleToc;

class DiscLookupTest : public testing::Test {
  protected:
    LookupRequest request(const QString& server, int timeoutMs = 20000) const {
        LookupRequest r;
        r.disc = mbdiscid::MusicBrainzDisc{discId, discToc};
        r.server = server;
        r.timeoutMs = timeoutMs;
        return r;
    }

    // Runs one look-up to its end (or a generous limit) and gives its result.
    DiscLookup::Result run(const LookupRequest& r) {
        DiscLookup lookup;
        std::unique_ptr<DiscLookup::Result> got;
        QEventLoop loop;
        int calls = 0;
        lookup.start(r, [&](const DiscLookup::Result& result) {
            ++calls;
            got = std::make_unique<DiscLookup::Result>(result);
            loop.quit();
        });
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
        EXPECT_EQ(calls, 1);
        EXPECT_FALSE(lookup.isRunning());
        if (!got)
            return VortanError(-1, QStringLiteral("test"), QStringLiteral("no answer"));
        return *got;
    }

    LocalService service;
};

TEST_F(DiscLookupTest, OneReleaseIsReadWhole) {
    service.body = discAnswer(
        release("rel-1", "Sea Songs", "1998-06-02", "GB", medium(1, 6, attached(discId), "Song")));
    const auto result = run(request(service.address()));
    ASSERT_TRUE(result.ok()) << result.error().description().toStdString();
    ASSERT_EQ(result->size(), 1u);
    const musicbrainz::ReleaseMatch& match = result->front();
    EXPECT_EQ(match.disc.album, QStringLiteral("Sea Songs"));
    EXPECT_EQ(match.disc.artist, QStringLiteral("Ann Vale & The Tides"));
    EXPECT_EQ(match.disc.date, QStringLiteral("1998-06-02"));
    EXPECT_EQ(match.disc.year(), 1998);
    EXPECT_EQ(match.disc.releaseId, QStringLiteral("rel-1"));
    EXPECT_EQ(match.disc.discId, discId);
    EXPECT_EQ(match.country, QStringLiteral("GB"));
    EXPECT_EQ(match.format, QStringLiteral("CD"));
    EXPECT_EQ(match.mediumPosition, 1);
    ASSERT_EQ(match.disc.tracks.size(), 6u);
    EXPECT_EQ(match.disc.tracks[5].number, 6);
    EXPECT_EQ(match.disc.tracks[5].title, QStringLiteral("Song 6"));
    EXPECT_EQ(match.disc.tracks[5].artist, QStringLiteral("Ann Vale"));
    EXPECT_EQ(match.disc.tracks[5].recordingId, QStringLiteral("Song-rec-6"));

    // The request the service documents, from a client that names itself.
    const QByteArray head = service.lastRequest;
    EXPECT_TRUE(head.startsWith("GET /ws/2/discid/" + discId.toLatin1() + "?")) << head.data();
    EXPECT_TRUE(head.contains("toc=" + discToc.toLatin1())) << head.data();
    EXPECT_TRUE(head.contains("inc=recordings+artist-credits")) << head.data();
    EXPECT_TRUE(head.contains("fmt=json")) << head.data();
    EXPECT_TRUE(head.contains("\r\nUser-Agent: MP3Vortan/2.0")) << head.data();
}

TEST_F(DiscLookupTest, SeveralReleasesKeepTheirOrderAndTheMediumThatIsTheDisc) {
    service.body = discAnswer(
        // The disc is the second medium of a set.
        release("set", "Sea Songs Deluxe", "2005", "US",
                medium(1, 4, {}, "First") + "," + medium(2, 6, attached(discId), "Second")) +
        "," +
        // A match by table of contents: no disc attached, the medium with six tracks.
        release("toc", "Sea Songs", "", "",
                medium(1, 5, {}, "Five") + "," + medium(2, 6, {}, "Six")) +
        "," +
        // No medium like the disc: left out.
        release("other", "Other", "2001", "DE", medium(1, 10, {}, "Ten")));
    const auto result = run(request(service.address()));
    ASSERT_TRUE(result.ok()) << result.error().description().toStdString();
    ASSERT_EQ(result->size(), 2u);
    const auto& set = result.value()[0];
    EXPECT_EQ(set.disc.releaseId, QStringLiteral("set"));
    EXPECT_EQ(set.mediumPosition, 2);
    EXPECT_EQ(set.mediumCount, 2);
    EXPECT_EQ(set.disc.tracks.front().title, QStringLiteral("Second 1"));
    const auto& byToc = result.value()[1];
    EXPECT_EQ(byToc.disc.releaseId, QStringLiteral("toc"));
    EXPECT_EQ(byToc.disc.tracks.size(), 6u);
    EXPECT_EQ(byToc.disc.tracks.front().title, QStringLiteral("Six 1"));
    EXPECT_EQ(byToc.disc.year(), 0);
}

TEST_F(DiscLookupTest, AnUnknownDiscIsNoReleaseAndABadAnswerIsAnError) {
    service.status = 404;
    service.body =
        R"({"error":"Not Found","help":"For usage, please see: https://musicbrainz.org/development/mmd"})";
    const auto unknown = run(request(service.address()));
    ASSERT_TRUE(unknown.ok()) << unknown.error().description().toStdString();
    EXPECT_TRUE(unknown->empty());

    service.status = 200;
    service.body = R"({"releases":[{"id":"x","title":"cut off)";
    const auto malformed = run(request(service.address()));
    ASSERT_FALSE(malformed.ok());
    EXPECT_TRUE(malformed.error().description().contains(QStringLiteral("cannot be read")));

    service.body = R"({"id":"x"})";
    EXPECT_FALSE(run(request(service.address())).ok());

    service.status = 503;
    service.body = R"({"error":"rate limited"})";
    const auto busy = run(request(service.address()));
    ASSERT_FALSE(busy.ok());
    EXPECT_EQ(busy.error().number(), 503);
}

// An answer larger than any disc's is abandoned, not read into memory; numbers out of their
// range are left out instead of overflowing.
TEST_F(DiscLookupTest, AHugeAnswerIsRefusedAndNumbersAreTakenInTheirRange) {
    service.body =
        discAnswer(release("big", "Big", "2000", "GB", medium(1, 6, attached(discId), "Song"))) +
        QByteArray(50 * 1024 * 1024, ' ');
    const auto huge = run(request(service.address()));
    ASSERT_FALSE(huge.ok());
    EXPECT_TRUE(huge.error().description().contains(QStringLiteral("more than 4 MB")))
        << huge.error().description().toStdString();

    const QByteArray oddMedium =
        R"({"position":2147483647,"format":"CD","track-count":6,"discs":[)" + attached(discId) +
        R"(],"tracks":[)" + track(2147483647, "Far", "Ann Vale", "r-far") + "," +
        track(2, "Two", "Ann Vale", "r-two") + "]}";
    service.body = discAnswer(release("odd", "Odd", "2000", "GB", oddMedium));
    const auto odd = run(request(service.address()));
    ASSERT_TRUE(odd.ok()) << odd.error().description().toStdString();
    ASSERT_EQ(odd->size(), 1u);
    const ReleaseMatchList& releases = odd.value();
    EXPECT_EQ(releases[0].mediumPosition, 1);
    ASSERT_EQ(releases[0].disc.tracks.size(), 1u);
    EXPECT_EQ(releases[0].disc.tracks[0].number, 2);
}

// A redirect that is not followed is named with where it pointed.
TEST_F(DiscLookupTest, ARedirectLoopSaysWhereItPointed) {
    service.status = 302;
    service.headers = "Location: /ws/2/elsewhere\r\n";
    const auto looped = run(request(service.address()));
    ASSERT_FALSE(looped.ok());
    EXPECT_EQ(looped.error().description(),
              QStringLiteral("The MusicBrainz service at %1 redirected the request (HTTP 302 "
                             "Found) to http://%1/ws/2/elsewhere after 10 redirects in a row (a "
                             "redirect loop); the redirect was not followed")
                  .arg(service.address()));
}

TEST_F(DiscLookupTest, ASilentServerTimesOutWithoutBlockingTheCaller) {
    service.silent = true;
    constexpr int timeoutMs = 500;
    DiscLookup lookup;
    QEventLoop loop;
    std::unique_ptr<DiscLookup::Result> got;
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(20);
    QElapsedTimer clock;
    clock.start();
    lookup.start(request(service.address(), timeoutMs), [&](const DiscLookup::Result& result) {
        got = std::make_unique<DiscLookup::Result>(result);
        loop.quit();
    });
    EXPECT_LT(clock.elapsed(), timeoutMs); // start() returned at once
    EXPECT_TRUE(lookup.isRunning());
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_TRUE(got);
    ASSERT_FALSE(got->ok());
    EXPECT_GE(clock.elapsed(), timeoutMs * 9 / 10);
    EXPECT_EQ(got->error().number(), QNetworkReply::TimeoutError);
    EXPECT_TRUE(got->error().description().contains(QStringLiteral("did not answer")));
    EXPECT_GT(ticks, 0); // the caller's event loop ran meanwhile
}

TEST_F(DiscLookupTest, NoServerListeningIsAClearError) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    const auto refused = run(request(QStringLiteral("localhost:%1").arg(port)));
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().number(), QNetworkReply::ConnectionRefusedError);
    EXPECT_TRUE(refused.error().description().contains(QStringLiteral("cannot be reached")));
}

TEST_F(DiscLookupTest, ANewStartAbandonsTheOneRunning) {
    service.body = discAnswer(
        release("rel-1", "Sea Songs", "1998", "GB", medium(1, 6, attached(discId), "Song")));
    DiscLookup lookup;
    QEventLoop loop;
    QStringList calls;
    // A setting that names no server fails later, never inside start().
    lookup.start(request(QStringLiteral("host:99999")),
                 [&](const DiscLookup::Result&) { calls << QStringLiteral("first"); });
    lookup.start(request(service.address()), [&](const DiscLookup::Result& result) {
        calls << (result.ok() ? QStringLiteral("second") : result.error().description());
        loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    QEventLoop settle; // anything the first left queued runs now
    QTimer::singleShot(50, &settle, &QEventLoop::quit);
    settle.exec();
    EXPECT_EQ(calls, QStringList{QStringLiteral("second")});
}

TEST(MusicBrainzServer, TheSettingDefaultsToThePublicServiceOverHttps) {
    MusicBrainzServer.clear();
    LoadSettings();
    EXPECT_EQ(MusicBrainzServer, QStringLiteral("musicbrainz.org:443"));
    const auto address = ServerAddress::parse(MusicBrainzServer);
    ASSERT_TRUE(address.ok());
    EXPECT_EQ(address->scheme, QStringLiteral("https"));
    EXPECT_EQ(address->host, QStringLiteral("musicbrainz.org"));
    EXPECT_EQ(address->port, 443);
}

TEST(MusicBrainzServer, EachFormGetsItsScheme) {
    struct Case {
        const char* text;
        const char* scheme;
        const char* host;
        int port;
    };
    for (const Case& c :
         {Case{"localhost:5000", "http", "localhost", 5000},
          Case{"127.0.0.1:8080", "http", "127.0.0.1", 8080},
          Case{"[::1]:8000", "http", "::1", 8000}, Case{"localhost:443", "https", "localhost", 443},
          Case{"mirror.example.org:5000", "https", "mirror.example.org", 5000},
          Case{"mirror.example.org:80", "https", "mirror.example.org", 80},
          Case{"http://localhost:5000/", "http", "localhost", 5000},
          Case{"https://localhost:8443", "https", "localhost", 8443},
          Case{" musicbrainz.org ", "https", "musicbrainz.org", 443},
          Case{"https://mirror.example.org", "https", "mirror.example.org", 443}}) {
        const auto address = ServerAddress::parse(QString::fromLatin1(c.text));
        ASSERT_TRUE(address.ok()) << c.text;
        EXPECT_EQ(address->scheme, QLatin1String(c.scheme)) << c.text;
        EXPECT_EQ(address->host, QLatin1String(c.host)) << c.text;
        EXPECT_EQ(address->port, c.port) << c.text;
    }
    // Only this computer is asked over plain http.
    for (const char* bad : {"", ":443", "host:0", "host:65536", "host:web", "a b:80", "[::1",
                            "http://mirror.example.org", "http://mirror.example.org:5000/"})
        EXPECT_FALSE(ServerAddress::parse(QString::fromLatin1(bad)).ok()) << bad;
}

} // namespace

namespace {

// `releaseJson` (from release()) with a barcode and label entries (JSON objects, comma-separated).
QByteArray labelled(QByteArray releaseJson, const char* barcode, const QByteArray& labelInfo) {
    releaseJson.chop(1);
    return releaseJson + R"(,"barcode":")" + barcode + R"(","label-info":[)" + labelInfo + "]}";
}

TEST(ReleaseColumns, LabelsBarcodeAndTheSetAreRead) {
    const QByteArray labels =
        R"({"catalog-number":"TID 2","label":{"id":"l1","name":"Tide Records"}},)"
        R"({"catalog-number":"TID 2","label":{"id":"l1","name":"Tide Records"}},)"
        R"({"catalog-number":"EU-9","label":{"id":"l2","name":"Harbour"}},)"
        R"({"catalog-number":null,"label":null})";
    const QByteArray json =
        discAnswer(labelled(release("set", "Sea Songs", "2005", "GB",
                                    medium(1, 4, {}, "One") + "," +
                                        medium(2, 6, attached(exampleDiscId), "Two") + "," +
                                        medium(3, 5, {}, "Three")),
                            "5012345678900", labels) +
                   "," + release("single", "Sea Songs", "1998", "", medium(1, 6, {}, "Song")));
    const auto parsed =
        musicbrainz::parseDiscIdAnswer(json, mbdiscid::MusicBrainzDisc{exampleDiscId, exampleToc});
    ASSERT_TRUE(parsed.ok());
    ASSERT_EQ(parsed->size(), 2u);
    const musicbrainz::ReleaseMatch& set = parsed->front();
    EXPECT_EQ(set.label, QStringLiteral("Tide Records, Harbour"));
    EXPECT_EQ(set.catalogNumber, QStringLiteral("TID 2, EU-9"));
    EXPECT_EQ(set.barcode, QStringLiteral("5012345678900"));
    EXPECT_EQ(set.disc.discNumber, 2);
    EXPECT_EQ(set.disc.discTotal, 3);
    EXPECT_EQ(musicbrainz::releaseColumns(set).join(QLatin1Char('|')),
              QStringLiteral("Sea Songs|Ann Vale & The Tides|2005|GB|Tide Records, Harbour|"
                             "TID 2, EU-9|5012345678900|CD|3"));
    EXPECT_EQ(musicbrainz::releaseColumns(set).size(), musicbrainz::releaseColumnTitles().size());
    // One medium: no disc of a set.
    const musicbrainz::ReleaseMatch& single = parsed->back();
    EXPECT_EQ(single.disc.discNumber, 0);
    EXPECT_EQ(single.disc.discTotal, 0);
    EXPECT_TRUE(single.label.isEmpty());
    EXPECT_TRUE(single.barcode.isEmpty());

    // The look-up asks for the labels.
    const QString url =
        musicbrainz::discIdUrl(
            musicbrainz::ServerAddress::parse(QStringLiteral("localhost:1")).value(),
            mbdiscid::MusicBrainzDisc{exampleDiscId, exampleToc})
            .toString();
    EXPECT_TRUE(url.contains(QStringLiteral("inc=recordings+artist-credits+labels")))
        << url.toStdString();
}

TEST(ReleaseColumns, AReleaseIsChosenByNumberOrIdentifier) {
    std::vector<musicbrainz::ReleaseMatch> releases(3);
    releases[0].disc.releaseId = QStringLiteral("aaaa-1");
    releases[1].disc.releaseId = QStringLiteral("bbbb-2");
    releases[2].disc.releaseId = QStringLiteral("cccc-3");
    EXPECT_EQ(musicbrainz::chooseRelease(releases, QStringLiteral("1")).value(), 0u);
    EXPECT_EQ(musicbrainz::chooseRelease(releases, QStringLiteral("3")).value(), 2u);
    EXPECT_EQ(musicbrainz::chooseRelease(releases, QStringLiteral("BBBB-2")).value(), 1u);
    for (const char* bad : {"0", "4", "-1", "99999999999999999999", "dddd-4", ""}) {
        const auto chosen = musicbrainz::chooseRelease(releases, QString::fromLatin1(bad));
        ASSERT_FALSE(chosen.ok()) << bad;
        EXPECT_TRUE(chosen.error().description().contains(QStringLiteral("3 releases")))
            << chosen.error().description().toStdString();
    }
}

} // namespace
