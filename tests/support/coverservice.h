#pragma once

// A stand-in for the Cover Art Archive on the loopback interface: answers by request path
// (a listing, redirects, pictures, failures), and pictures made to order.
#include <QByteArray>
#include <QString>
#include <QTcpServer>

#include <map>
#include <vector>

class QTcpSocket;

namespace coverservice {

// A release identifier as MusicBrainz writes them.
inline const QString releaseId = QStringLiteral("0b8e7a2c-4f1d-4e3a-9c2b-5d6e7f8a9b0c");

// A JPEG of `width` × `height` pixels, made by Qt's writer (a colour gradient).
QByteArray jpeg(int width, int height);
// A PNG likewise.
QByteArray png(int width, int height);
// A small JPEG whose header announces `width` × `height` pixels: what a picture that size
// would cost to decode, in a few hundred bytes.
QByteArray jpegAnnouncing(int width, int height);

// A listing of a release: a back picture, then the front one at `image` with the thumbnails
// "250", "500" and "1200" at `image` with "-250", "-500", "-1200" before ".jpg".
QByteArray listing(const QString& image);

class CoverArchive {
  public:
    struct Answer {
        int status = 200;
        QByteArray headers; // further header lines, each ending in "\r\n"
        QByteArray body;
        bool silent = false; // takes the request and never answers
    };

    CoverArchive();
    // "localhost:port", as the "Cover art server" setting takes it.
    QString address() const;
    // "http://localhost:port" + path.
    QString url(const QString& path) const;
    // Answers `path` with a redirect (302) to `target` (a path of this server, or an address).
    void redirect(const QString& path, const QString& target);
    // The usual archive: the listing of `release` names /images/front.jpg, whose 500 thumbnail
    // redirects to /store/front-500.jpg, which is `picture`.
    void serve(const QString& release, const QByteArray& picture);

    std::map<QByteArray, Answer> answers; // by request path; another path is answered 404
    std::vector<QByteArray> paths;        // the paths asked, in order

  private:
    void read(QTcpSocket* socket);

    QTcpServer server_;
    std::map<QTcpSocket*, QByteArray> pending_;
};

} // namespace coverservice
