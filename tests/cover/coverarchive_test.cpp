// The Cover Art Archive's client against a stand-in on the loopback interface: the listing,
// the thumbnail of the size chosen behind a redirect, and every way the archive can fail.
#include "coverservice.h"

#include "engine/cover/coverarchive.h"

#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include <optional>

namespace {

using coverarchive::CoverFetch;
using coverarchive::Size;
using coverservice::releaseId;

class CoverFetchTest : public testing::Test {
  protected:
    coverarchive::FetchRequest request(Size size = Size::Px500, int timeoutMs = 20000) const {
        coverarchive::FetchRequest r;
        r.releaseId = releaseId;
        r.server = archive.address();
        r.size = size;
        r.timeoutMs = timeoutMs;
        return r;
    }
    CoverFetch::Result run(const coverarchive::FetchRequest& r) {
        CoverFetch fetch;
        std::optional<CoverFetch::Result> got;
        int calls = 0;
        QEventLoop loop;
        fetch.start(r, [&](const CoverFetch::Result& result) {
            ++calls;
            got = result;
            loop.quit();
        });
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
        EXPECT_EQ(calls, 1);
        EXPECT_FALSE(fetch.isRunning());
        if (!got)
            return VortanError(-1, QStringLiteral("test"), QStringLiteral("no answer"));
        return *got;
    }
    // The description of a fetch that must fail.
    QString failure(const coverarchive::FetchRequest& r) {
        const CoverFetch::Result got = run(r);
        EXPECT_FALSE(got.ok());
        return got.ok() ? QString() : got.error().description();
    }

    coverservice::CoverArchive archive;
};

TEST(CoverListing, TheFrontPictureIsTakenAtTheSizeAskedElseAsItIs) {
    const QByteArray listing = coverservice::listing(QStringLiteral("http://a.example/i/1.jpg"));
    const auto at = [&listing](Size size) {
        const auto url = coverarchive::frontImageUrl(listing, size);
        return url.ok() ? url->toString() : url.error().description();
    };
    EXPECT_EQ(at(Size::Px250), QStringLiteral("http://a.example/i/1-250.jpg"));
    EXPECT_EQ(at(Size::Px500), QStringLiteral("http://a.example/i/1-500.jpg"));
    EXPECT_EQ(at(Size::Px1200), QStringLiteral("http://a.example/i/1-1200.jpg"));
    EXPECT_EQ(at(Size::Original), QStringLiteral("http://a.example/i/1.jpg"));

    // Older listings: "small" and "large"; no 1200 thumbnail: the picture itself. The first
    // image whose types name the front, when none is marked "front".
    const QByteArray older =
        R"({"images":[{"types":["Back"],"image":"https://a.example/b.jpg"},)"
        R"({"types":["Front","Booklet"],"image":"https://a.example/f.jpg",)"
        R"("thumbnails":{"small":"https://a.example/f-s.jpg","large":"https://a.example/f-l.jpg"}}]})";
    EXPECT_EQ(coverarchive::frontImageUrl(older, Size::Px250)->toString(),
              QStringLiteral("https://a.example/f-s.jpg"));
    EXPECT_EQ(coverarchive::frontImageUrl(older, Size::Px500)->toString(),
              QStringLiteral("https://a.example/f-l.jpg"));
    EXPECT_EQ(coverarchive::frontImageUrl(older, Size::Px1200)->toString(),
              QStringLiteral("https://a.example/f.jpg"));

    const auto backOnly = coverarchive::frontImageUrl(
        R"({"images":[{"front":false,"types":["Back"],"image":"https://a.example/b.jpg"}]})",
        Size::Px500);
    ASSERT_FALSE(backOnly.ok());
    EXPECT_EQ(backOnly.error().number(), CoverFetch::noCover);
    EXPECT_FALSE(coverarchive::frontImageUrl("<html>", Size::Px500).ok());
    EXPECT_FALSE(coverarchive::frontImageUrl(
                     R"({"images":[{"front":true,"image":"file:///etc/passwd"}]})", Size::Original)
                     .ok());
}

TEST(CoverListing, TheServerSettingAndTheSizeSetting) {
    const auto publicServer =
        coverarchive::serverAddress(QString::fromLatin1(coverarchive::defaultServer));
    ASSERT_TRUE(publicServer.ok());
    EXPECT_EQ(publicServer->scheme, QStringLiteral("https"));
    EXPECT_EQ(publicServer->host, QStringLiteral("coverartarchive.org"));
    EXPECT_EQ(publicServer->port, 443);
    EXPECT_EQ(coverarchive::serverAddress(QStringLiteral("localhost:8080"))->scheme,
              QStringLiteral("http"));
    EXPECT_FALSE(coverarchive::serverAddress(QStringLiteral("http://coverartarchive.org")).ok());
    EXPECT_FALSE(coverarchive::serverAddress(QStringLiteral("")).ok());
    EXPECT_EQ(coverarchive::sizeFromText(QStringLiteral("1200")), Size::Px1200);
    EXPECT_EQ(coverarchive::sizeFromText(QStringLiteral("original")), Size::Original);
    EXPECT_EQ(coverarchive::sizeFromText(QStringLiteral("huge")), Size::Px500);
    EXPECT_FALSE(coverarchive::isReleaseId(QStringLiteral("../../etc")));
    EXPECT_TRUE(coverarchive::isReleaseId(releaseId));
}

TEST_F(CoverFetchTest, TheListingLeadsThroughARedirectToThePicture) {
    const QByteArray picture = coverservice::jpeg(500, 500);
    archive.serve(releaseId, picture);
    const auto got = run(request());
    ASSERT_TRUE(got.ok()) << got.error().description().toStdString();
    EXPECT_EQ(got->picture.data, picture);
    EXPECT_EQ(got->pixels, QSize(500, 500));
    // The source is where the picture came from, after the redirect.
    EXPECT_EQ(got->source, archive.url(QStringLiteral("/store/front-500.jpg")));
    EXPECT_EQ(archive.paths,
              (std::vector<QByteArray>{"/release/" + releaseId.toLatin1(), "/images/front-500.jpg",
                                       "/store/front-500.jpg"}));

    // The original when asked for.
    archive.answers["/images/front.jpg"] = {200, {}, coverservice::jpeg(90, 60), false};
    const auto original = run(request(Size::Original));
    ASSERT_TRUE(original.ok());
    EXPECT_EQ(original->pixels, QSize(90, 60));
}

TEST_F(CoverFetchTest, NoCoverAndAnAnswerThatIsNoPictureAreSaidApart) {
    const auto missing = run(request());
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().number(), CoverFetch::noCover);
    EXPECT_TRUE(missing.error().description().contains(releaseId));

    archive.serve(releaseId, "<html><body>Service Unavailable</body></html>");
    const CoverFetch::Result html = run(request());
    ASSERT_FALSE(html.ok());
    EXPECT_NE(html.error().number(), CoverFetch::noCover);
    EXPECT_TRUE(html.error().description().contains(QStringLiteral("neither a JPEG nor a PNG")));

    archive.answers["/store/front-500.jpg"].body = coverservice::jpegAnnouncing(20000, 20000);
    EXPECT_TRUE(failure(request()).contains(QStringLiteral("20000 × 20000")));

    // No request at all for an identifier that is none.
    const std::size_t asked = archive.paths.size();
    coverarchive::FetchRequest bad = request();
    bad.releaseId = QStringLiteral("../admin");
    EXPECT_FALSE(failure(bad).isEmpty());
    EXPECT_EQ(archive.paths.size(), asked);
}

TEST_F(CoverFetchTest, AnAnswerBeyondTenMegabytesIsNotTaken) {
    archive.serve(releaseId, QByteArray(cover::maxCoverBytes + 1, 'x'));
    EXPECT_TRUE(failure(request()).contains(QStringLiteral("more than 10240 kB")));
}

TEST_F(CoverFetchTest, RedirectsToPlainHttpAndLoopsAreRefused) {
    archive.serve(releaseId, coverservice::jpeg(20, 20));
    // Not this computer, and not encrypted: never asked (the address is a documentation one).
    archive.redirect(QStringLiteral("/store/front-500.jpg"),
                     QStringLiteral("http://192.0.2.1/front-500.jpg"));
    const QString plain = failure(request());
    EXPECT_TRUE(plain.contains(QStringLiteral("an unencrypted address"))) << plain.toStdString();

    archive.redirect(QStringLiteral("/store/front-500.jpg"),
                     QStringLiteral("/store/front-500.jpg"));
    archive.paths.clear();
    const QString loop = failure(request());
    EXPECT_TRUE(loop.contains(QStringLiteral("redirect loop"))) << loop.toStdString();
    // The listing, the thumbnail, then five redirects followed to the same place.
    EXPECT_EQ(archive.paths.size(), 2u + 5u);
}

TEST_F(CoverFetchTest, ASilentArchiveEndsTheFetchAtItsTimeBound) {
    archive.serve(releaseId, coverservice::jpeg(20, 20));
    archive.answers["/store/front-500.jpg"].silent = true;
    const QString silent = failure(request(Size::Px500, 500));
    EXPECT_TRUE(silent.contains(QStringLiteral("did not answer"))) << silent.toStdString();
}

} // namespace
