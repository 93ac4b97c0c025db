#pragma once

// A stand-in for the MusicBrainz web service (and other web services) on the loopback interface,
// and answers written in the service's JSON format (a disc-ID request with
// inc=recordings+artist-credits).
#include <QByteArray>
#include <QString>
#include <QTcpServer>

#include <atomic>
#include <future>
#include <map>
#include <thread>

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
    QByteArray headers; // further header lines of the answer, each ending in "\r\n"
    bool silent = false;
    int missingBytes = 0; // the answer's length is announced this much longer than it is
    QByteArray lastRequest;
    int requests = 0; // requests answered (or, when silent, received)

  private:
    void read(QTcpSocket* socket);

    QTcpServer server_;
    std::map<QTcpSocket*, QByteArray> pending_;
};

// A server on the loopback interface, on a thread of its own, that takes one request, sends
// `opening`, then `repeated` again and again (nothing more when it is empty) until the client
// closes the connection: a server whose answer never ends.
class EndlessServer {
  public:
    EndlessServer(QByteArray opening, QByteArray repeated);
    ~EndlessServer();
    EndlessServer(const EndlessServer&) = delete;
    EndlessServer& operator=(const EndlessServer&) = delete;

    QString address() const; // "127.0.0.1:port"
    // Whether the client has closed the connection, waiting for it at most `guardMs`: a guard
    // that turns a client that never lets go into a failure.
    bool clientClosed(int guardMs);

  private:
    void serve(const QByteArray& opening, const QByteArray& repeated);

    int listener_ = -1;
    std::atomic<int> connection_{-1};
    quint16 port_ = 0;
    std::promise<void> closed_;
    std::future<void> closedFuture_ = closed_.get_future();
    std::thread thread_;
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
