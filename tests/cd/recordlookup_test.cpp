// Asking the AccurateRip database for a disc's record, against a server on the loopback
// interface: answers, absent discs, and every way the asking can fail, each with its reason.
#include "accuraterecord.h"
#include "musicbrainzservice.h"

#include "engine/cd/recordlookup.h"

#include <QEventLoop>
#include <QTcpServer>
#include <QTimer>
#include <gtest/gtest.h>

#include <optional>

namespace {

const accuraterip::DiscKey twoTracks{2, 0x00012345, 0x000abcde, 0x0e01f402};

// The look-up's answer, the test's event loop running meanwhile (so the server answers).
accuraterip::RecordLookup::Result ask(const QString& server, int timeoutMs = 5000) {
    accuraterip::RecordLookup lookup;
    std::optional<accuraterip::RecordLookup::Result> answer;
    QEventLoop loop;
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    lookup.start({twoTracks, server, timeoutMs},
                 [&](const accuraterip::RecordLookup::Result& result) {
                     answer = result;
                     loop.quit();
                 });
    loop.exec();
    if (!answer)
        return VortanError(0, QString(), QStringLiteral("no answer at all"));
    return *answer;
}

QString reason(const accuraterip::RecordLookup::Result& result) {
    return result.ok() ? QStringLiteral("(a record)") : result.error().description();
}

} // namespace

// "host:port" takes HTTPS on port 443 only; the public service's setting is plain HTTP.
TEST(RecordLookup, ServerAddresses) {
    const auto publicService = accuraterip::serverAddress(QStringLiteral("www.accuraterip.com:80"));
    ASSERT_TRUE(publicService.ok());
    EXPECT_EQ(publicService->url(QStringLiteral("/x.bin")).toString(),
              QStringLiteral("http://www.accuraterip.com:80/x.bin"));
    EXPECT_EQ(accuraterip::serverAddress(QStringLiteral("mirror.example:443"))->scheme,
              QStringLiteral("https"));
    EXPECT_EQ(accuraterip::serverAddress(QStringLiteral("mirror.example"))->port, 80);
    EXPECT_EQ(accuraterip::serverAddress(QStringLiteral("https://mirror.example"))->port, 443);
    for (const char* bad : {"", ":80", "host:0", "host:99999", "a b:80"})
        EXPECT_FALSE(accuraterip::serverAddress(QString::fromLatin1(bad)).ok()) << bad;
}

// The record is asked for under its path; 404 is an empty record (every track not present);
// anything else that is not a whole record of the disc is a reason, never a crash.
TEST(RecordLookup, AnswersAndFailures) {
    mbservice::LocalService service;
    const QByteArray record =
        accuraterecord::chunk(twoTracks, 2, {{3, 0x11, 0x1}, {3, 0x22, 0x2}}) +
        accuraterecord::chunk(twoTracks, 2, {{5, 0x33, 0x3}, {0, 0, 0}});
    service.body = record;
    const auto answered = ask(service.address());
    ASSERT_TRUE(answered.ok()) << reason(answered).toStdString();
    EXPECT_EQ(answered->chunks.size(), 2u);
    EXPECT_EQ(answered->chunks[1][0].confidence, 5);
    EXPECT_TRUE(service.lastRequest.startsWith(
        "GET " + accuraterip::recordPath(twoTracks).toLatin1() + " HTTP/1.1\r\n"))
        << service.lastRequest.toStdString();

    service.status = 404;
    service.body = "<html>Not Found</html>";
    const auto absent = ask(service.address());
    ASSERT_TRUE(absent.ok()) << reason(absent).toStdString();
    EXPECT_TRUE(absent->chunks.empty());
    EXPECT_EQ(accuraterip::compare(absent.value(), 0, 0x11, 0x33).text(),
              QStringLiteral("Not present in the database"));

    const QString at = service.address();
    struct Case {
        const char* what;
        int status;
        QByteArray body;
        int missingBytes;
        QString reason;
    };
    const std::vector<Case> cases = {
        {"server error", 500, "oops", 0, at + QStringLiteral(" answered HTTP 500 Error")},
        {"record cut", 200, record.left(record.size() - 4), 0,
         QStringLiteral("the AccurateRip answer cannot be read: it ends inside a chunk")},
        {"other track count", 200,
         accuraterecord::chunk(twoTracks, 3, {{1, 1, 1}, {1, 2, 2}, {1, 3, 3}}), 0,
         QStringLiteral("the AccurateRip answer cannot be read: a chunk lists 3 tracks; the disc "
                        "has 2")},
        {"connection cut", 200, record.left(10), 100,
         QStringLiteral("the answer of ") + at + QStringLiteral(" is cut short")},
        {"too large", 200, QByteArray(70 * 1024, 'x'), 0,
         at + QStringLiteral(" answered with more than 64 kB, which is no disc's record")},
        {"web page", 200, "<!DOCTYPE html>\n<html><body>Maintenance</body></html>", 0,
         QStringLiteral("the AccurateRip answer cannot be read: it is not an AccurateRip record "
                        "(it begins \"<!DOCTYPE html> <html><body>Maintenance<...\")")},
        {"short text", 200, "Not here", 0,
         QStringLiteral("the AccurateRip answer cannot be read: it is not an AccurateRip record "
                        "(it begins \"Not here\")")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        service.status = c.status;
        service.body = c.body;
        service.missingBytes = c.missingBytes;
        const auto failed = ask(service.address());
        EXPECT_FALSE(failed.ok());
        EXPECT_TRUE(reason(failed).startsWith(c.reason)) << reason(failed).toStdString();
    }

    service.silent = true;
    EXPECT_EQ(reason(ask(service.address(), 300)),
              at + QStringLiteral(" did not answer within 0.3 seconds"));

    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const QString nobody = QStringLiteral("127.0.0.1:%1").arg(closed.serverPort());
    closed.close();
    EXPECT_EQ(reason(ask(nobody)),
              nobody + QStringLiteral(" cannot be reached: Connection refused"));
    EXPECT_EQ(reason(ask(QStringLiteral("host:0"))),
              QStringLiteral("\"host:0\" names no AccurateRip server: the port must be a number "
                             "from 1 to 65535"));
}

// A server whose answer's head never ends, whether nothing more comes after the status line or
// header lines come without end, is left within the deadline or as soon as the head is larger
// than any server's, with the reason; its connection is closed then, so nothing goes on
// reading it.
TEST(RecordLookup, AnAnswerWhoseHeadNeverEndsIsLeft) {
    {
        mbservice::EndlessServer silent("HTTP/1.1 200 OK\r\n", {});
        EXPECT_EQ(reason(ask(silent.address(), 300)),
                  silent.address() + QStringLiteral(" did not answer within 0.3 seconds"));
        EXPECT_TRUE(silent.clientClosed(10000));
    }
    mbservice::EndlessServer endless("HTTP/1.1 200 OK\r\n",
                                     "X-Filler: " + QByteArray(100, 'x') + "\r\n");
    EXPECT_EQ(reason(ask(endless.address())),
              endless.address() + QStringLiteral(" does not answer as a web server does: the head "
                                                 "of its answer runs past 32 kB"));
    EXPECT_TRUE(endless.clientClosed(10000));
}

// An answer sent in chunks (after an interim answer) is read whole.
TEST(RecordLookup, AChunkedAnswerIsReadWhole) {
    const QByteArray record =
        accuraterecord::chunk(twoTracks, 2, {{3, 0x11, 0x1}, {3, 0x22, 0x2}}) +
        accuraterecord::chunk(twoTracks, 2, {{5, 0x33, 0x3}, {0, 0, 0}});
    const QByteArray first = record.left(20);
    const QByteArray rest = record.mid(20);
    mbservice::EndlessServer server("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n"
                                    "Transfer-Encoding: chunked\r\n\r\n" +
                                        QByteArray::number(first.size(), 16) + ";part=1\r\n" +
                                        first + "\r\n" + QByteArray::number(rest.size(), 16) +
                                        "\r\n" + rest + "\r\n0\r\nX-Trailer: 1\r\n\r\n",
                                    {});
    const auto answered = ask(server.address());
    ASSERT_TRUE(answered.ok()) << reason(answered).toStdString();
    ASSERT_EQ(answered->chunks.size(), 2u);
    EXPECT_EQ(answered->chunks[1][0].checksum, 0x33u);
}

// A redirect is followed to the record; one that is not followed says where it pointed and why.
TEST(RecordLookup, RedirectsAreFollowedOrNamed) {
    mbservice::LocalService mirror;
    mirror.body = accuraterecord::chunk(twoTracks, 2, {{3, 0x11, 0x1}, {3, 0x22, 0x2}});
    mbservice::LocalService service;
    const QString at = service.address();
    service.status = 302;
    service.headers = "Location: http://" + mirror.address().toLatin1() + "/moved.bin\r\n";
    const auto followed = ask(at);
    ASSERT_TRUE(followed.ok()) << reason(followed).toStdString();
    EXPECT_EQ(followed->chunks.size(), 1u);
    EXPECT_TRUE(mirror.lastRequest.startsWith("GET /moved.bin HTTP/1.1\r\n"));

    service.headers = "Location: /again.bin\r\n"; // to itself, again and again
    EXPECT_EQ(reason(ask(at)),
              at + QStringLiteral(" redirected the request (HTTP 302 Found) to http://%1/again.bin "
                                  "after 10 redirects in a row (a redirect loop); the redirect was "
                                  "not followed")
                       .arg(at));
    service.status = 301;
    service.headers.clear();
    EXPECT_EQ(reason(ask(at)), at + QStringLiteral(" redirected the request (HTTP 301 Moved "
                                                   "Permanently) without naming where to"));
}
