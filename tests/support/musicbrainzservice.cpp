#include "musicbrainzservice.h"

#include <QTcpSocket>
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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
    const std::map<int, QByteArray> reasons = {
        {200, "OK"}, {301, "Moved Permanently"}, {302, "Found"}, {404, "Not Found"}};
    const auto known = reasons.find(status);
    const QByteArray reason = known == reasons.end() ? QByteArray("Error") : known->second;
    socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n" + headers +
                  "Content-Type: application/json; charset=utf-8\r\nContent-Length: " +
                  QByteArray::number(body.size() + missingBytes) + "\r\nConnection: close\r\n\r\n" +
                  body);
    socket->disconnectFromHost();
}

EndlessServer::EndlessServer(QByteArray opening, QByteArray repeated) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(::listen(listener_, 1), 0);
    EXPECT_EQ(::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length), 0);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this, opening = std::move(opening), repeated = std::move(repeated)] {
        serve(opening, repeated);
    });
}

EndlessServer::~EndlessServer() {
    // Ends a wait in accept(), recv() or send() at once.
    ::shutdown(listener_, SHUT_RDWR);
    if (const int connection = connection_.load(); connection >= 0)
        ::shutdown(connection, SHUT_RDWR);
    thread_.join();
    if (const int connection = connection_.load(); connection >= 0)
        ::close(connection);
    ::close(listener_);
}

QString EndlessServer::address() const {
    return QStringLiteral("127.0.0.1:%1").arg(port_);
}

bool EndlessServer::clientClosed(int guardMs) {
    return closedFuture_.wait_for(std::chrono::milliseconds(guardMs)) == std::future_status::ready;
}

void EndlessServer::serve(const QByteArray& opening, const QByteArray& repeated) {
    const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0)
        return;
    connection_ = connection;
    QByteArray head;
    char buffer[4096];
    while (!head.contains("\r\n\r\n")) {
        const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
        if (got <= 0)
            return closed_.set_value();
        head.append(buffer, got);
    }
    if (::send(connection, opening.constData(), static_cast<std::size_t>(opening.size()),
               MSG_NOSIGNAL) == opening.size()) {
        if (repeated.isEmpty())
            while (::recv(connection, buffer, sizeof buffer, 0) > 0) {
            }
        else
            while (::send(connection, repeated.constData(),
                          static_cast<std::size_t>(repeated.size()), MSG_NOSIGNAL) > 0) {
            }
    }
    closed_.set_value();
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
