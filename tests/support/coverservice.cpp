#include "coverservice.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QTcpSocket>
#include <gtest/gtest.h>

namespace coverservice {

namespace {

QImage gradient(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, QColor(x * 255 / width, y * 255 / height, 90));
    return image;
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    return bytes;
}

} // namespace

QByteArray jpeg(int width, int height) {
    return encoded(gradient(width, height), "JPEG");
}

QByteArray png(int width, int height) {
    return encoded(gradient(width, height), "PNG");
}

QByteArray jpegAnnouncing(int width, int height) {
    QByteArray bytes = jpeg(16, 16);
    // The frame header (SOF0): marker, length, precision, then height and width.
    const qsizetype frame = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    EXPECT_GT(frame, 0);
    bytes[frame + 5] = static_cast<char>(height >> 8);
    bytes[frame + 6] = static_cast<char>(height & 0xFF);
    bytes[frame + 7] = static_cast<char>(width >> 8);
    bytes[frame + 8] = static_cast<char>(width & 0xFF);
    return bytes;
}

QByteArray listing(const QString& image) {
    QString stem = image;
    stem.chop(4); // ".jpg"
    const QByteArray s = stem.toUtf8();
    return R"({"images":[{"approved":true,"back":true,"front":false,"types":["Back"],)"
           R"("image":")" +
           s +
           R"(-back.jpg","thumbnails":{}},)"
           R"({"approved":true,"back":false,"front":true,"types":["Front"],"image":")" +
           image.toUtf8() + R"(","thumbnails":{"250":")" + s + R"(-250.jpg","500":")" + s +
           R"(-500.jpg","1200":")" + s + R"(-1200.jpg"}}],"release":"x"})";
}

CoverArchive::CoverArchive() {
    EXPECT_TRUE(server_.listen(QHostAddress::LocalHost));
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection())
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [this, socket] { read(socket); });
    });
}

QString CoverArchive::address() const {
    return QStringLiteral("localhost:%1").arg(server_.serverPort());
}

QString CoverArchive::url(const QString& path) const {
    return QStringLiteral("http://") + address() + path;
}

void CoverArchive::redirect(const QString& path, const QString& target) {
    Answer answer;
    answer.status = 302;
    answer.headers = "Location: " + target.toUtf8() + "\r\n";
    answers[path.toUtf8()] = answer;
}

void CoverArchive::serve(const QString& release, const QByteArray& picture) {
    answers[QStringLiteral("/release/%1").arg(release).toUtf8()] =
        Answer{200, {}, listing(url(QStringLiteral("/images/front.jpg"))), false};
    redirect(QStringLiteral("/images/front-500.jpg"), QStringLiteral("/store/front-500.jpg"));
    answers["/store/front-500.jpg"] = Answer{200, {}, picture, false};
}

void CoverArchive::read(QTcpSocket* socket) {
    QByteArray& head = pending_[socket];
    head += socket->readAll();
    if (!head.contains("\r\n\r\n"))
        return;
    const QList<QByteArray> words = head.left(head.indexOf("\r\n")).split(' ');
    const QByteArray path = words.value(1);
    paths.push_back(path);
    head.clear();
    const auto known = answers.find(path);
    const Answer answer = known == answers.end() ? Answer{404, {}, "{}", false} : known->second;
    if (answer.silent)
        return;
    const std::map<int, QByteArray> reasons = {{200, "OK"}, {302, "Found"}, {404, "Not Found"}};
    const auto reason = reasons.find(answer.status);
    socket->write("HTTP/1.1 " + QByteArray::number(answer.status) + ' ' +
                  (reason == reasons.end() ? QByteArray("Error") : reason->second) + "\r\n" +
                  answer.headers + "Content-Length: " + QByteArray::number(answer.body.size()) +
                  "\r\nConnection: close\r\n\r\n" + answer.body);
    socket->disconnectFromHost();
}

} // namespace coverservice
