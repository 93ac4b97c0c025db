#include "musicbrainzservice.h"

#include <QTcpSocket>
#include <gtest/gtest.h>

namespace mbservice {

LocalService::LocalService() {
    EXPECT_TRUE(server_.listen(QHostAddress::LocalHost));
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection())
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [this, socket] { read(socket); });
    });
}

QString LocalService::address() const {
    return QStringLiteral("localhost:%1").arg(server_.serverPort());
}

void LocalService::read(QTcpSocket* socket) {
    QByteArray& head = pending_[socket];
    head += socket->readAll();
    if (!head.contains("\r\n\r\n"))
        return;
    ++requests;
    if (silent)
        return;
    lastRequest = head;
    const QByteArray reason = status == 200 ? "OK" : status == 404 ? "Not Found" : "Error";
    socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + reason +
                  "\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " +
                  QByteArray::number(body.size() + missingBytes) + "\r\nConnection: close\r\n\r\n" +
                  body);
    socket->disconnectFromHost();
}

QByteArray track(int position, const char* title, const char* artist, const char* recording) {
    const QByteArray credit = QByteArray(R"([{"name":")") + artist +
                              R"(","joinphrase":"","artist":{"id":"a-)" + artist + R"(","name":")" +
                              artist + R"(","sort-name":")" + artist + R"("}}])";
    return R"({"id":"t-)" + QByteArray(recording) + R"(","position":)" +
           QByteArray::number(position) + R"(,"number":")" + QByteArray::number(position) +
           R"(","title":")" + title + R"(","length":200000,"artist-credit":)" + credit +
           R"(,"recording":{"id":")" + recording + R"(","title":")" + title +
           R"(","length":200000,"video":false,"artist-credit":)" + credit + "}}";
}

QByteArray medium(int position, int trackCount, const QByteArray& discIds, const char* prefix) {
    QByteArray tracks;
    for (int i = 1; i <= trackCount; ++i) {
        const QByteArray title = prefix + QByteArray(" ") + QByteArray::number(i);
        tracks += (i > 1 ? "," : "") +
                  track(i, title.constData(), "Ann Vale",
                        (QByteArray(prefix) + "-rec-" + QByteArray::number(i)).constData());
    }
    return R"({"position":)" + QByteArray::number(position) +
           R"(,"title":"","format":"CD","track-count":)" + QByteArray::number(trackCount) +
           R"(,"track-offset":0,"discs":[)" + discIds + R"(],"tracks":[)" + tracks + "]}";
}

QByteArray attached(const QString& id) {
    return R"({"id":")" + id.toLatin1() +
           R"(","sectors":95462,"offset-count":6,)"
           R"("offsets":[150,15363,32314,46592,63414,80489]})";
}

QByteArray release(const char* id, const char* title, const char* date, const char* country,
                   const QByteArray& media) {
    return R"({"id":")" + QByteArray(id) + R"(","title":")" + title +
           R"(","status":"Official","quality":"normal","disambiguation":"","date":")" + date +
           R"(","country":")" + country +
           R"(","artist-credit":[{"name":"Ann Vale","joinphrase":" & ","artist":{"id":"a1",)"
           R"("name":"Ann Vale","sort-name":"Vale, Ann"}},{"name":"The Tides","joinphrase":"",)"
           R"("artist":{"id":"a2","name":"The Tides","sort-name":"Tides, The"}}],"media":[)" +
           media + "]}";
}

QByteArray discAnswer(const QByteArray& releases) {
    return R"({"id":")" + exampleDiscId.toLatin1() +
           R"(","sectors":95462,"offset-count":6,"offsets":[150,15363,32314,46592,63414,80489],)"
           R"("releases":[)" +
           releases + "]}";
}

} // namespace mbservice
