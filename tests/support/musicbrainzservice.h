#pragma once

// A stand-in for the MusicBrainz web service (and other web services) on the loopback interface,
// and answers written in the service's JSON format (a disc-ID request with
// inc=recordings+artist-credits).
#include <QByteArray>
#include <QString>
#include <QTcpServer>

#include <map>

class QTcpSocket;

namespace mbservice {

// MusicBrainz's worked example disc: six tracks.
inline const QString exampleDiscId = QStringLiteral("49HHV7Eb8UKF3aQiNmu1GR8vKTY-");
inline const QString exampleToc = QStringLiteral("1+6+95462+150+15363+32314+46592+63414+80489");

// A one-request-per-connection HTTP server on the loopback interface. It keeps the last
// request's head and answers with `status` and `body`, or never answers when `silent`.
class LocalService {
  public:
    LocalService();
    // "localhost:port", as the MusicBrainzServer setting takes it.
    QString address() const;

    int status = 200;
    QByteArray body;
    bool silent = false;
    int missingBytes = 0; // the answer's length is announced this much longer than it is
    QByteArray lastRequest;
    int requests = 0; // requests answered (or, when silent, received)

  private:
    void read(QTcpSocket* socket);

    QTcpServer server_;
    std::map<QTcpSocket*, QByteArray> pending_;
};

// A track as the service lists it.
QByteArray track(int position, const char* title, const char* artist, const char* recording);
// A medium of `trackCount` tracks named "<prefix> 1".."<prefix> n"; `discIds` its attached
// discs (empty: a match by table of contents).
QByteArray medium(int position, int trackCount, const QByteArray& discIds, const char* prefix);
// The example disc attached to a medium under `id`.
QByteArray attached(const QString& id);
// A release by "Ann Vale & The Tides" of the media `media` (comma-separated).
QByteArray release(const char* id, const char* title, const char* date, const char* country,
                   const QByteArray& media);
// The answer to a disc-ID request for the example disc: the releases (comma-separated).
QByteArray discAnswer(const QByteArray& releases);

} // namespace mbservice
