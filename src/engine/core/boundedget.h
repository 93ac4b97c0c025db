#pragma once

#include "engine/platform/error.h"

#include <QByteArray>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>
#include <utility>

class QAbstractSocket;

// One bounded HTTP GET: the way the program asks web services (MusicBrainz, AccurateRip)
// without ever waiting on them. The request is spoken over a socket of the caller's thread
// (HTTP/1.1, TLS for https), so abandoning it closes the connection at once whatever the
// server does. A deadline covers the whole request (connecting, the answer's head and its
// body, every redirect followed); an answer larger than the caller allows, or a head larger
// than maxHeadBytes, is abandoned as soon as it is seen to be.
namespace boundedget {

// The largest head (status line and header lines) taken from a server.
inline constexpr qint64 maxHeadBytes = 32 * 1024;
// Redirects followed in a row before the request is given up as a loop.
inline constexpr int maxRedirects = 10;

// Where a web service is.
struct ServerAddress {
    QString scheme; // "https" or "http"
    QString host;
    int port = 443;

    // "host:port" ("[ipv6]:port"), for messages.
    QString text() const;
    // The server's URL of `path` ("/ws/2/...").
    QUrl url(const QString& path) const;
};

// A server setting's text as written: "host", "host:port" or "[ipv6]:port", each optionally
// after "http://" or "https://" (a trailing "/" is ignored).
struct ServerText {
    QString scheme; // "http" or "https" when written, else empty
    QString host;
    int port = 0; // 0 when not written
};
// Fails, naming `service` ("MusicBrainz") and the text, on an empty host, a host holding a
// "/" or a space, or a port outside 1..65535.
Result<ServerText> splitServer(const QString& text, const QString& service);

// localhost, 127.x.x.x, ::1: a local mirror, a test's server.
bool isLoopback(const QString& host);

// How a request ended.
struct Outcome {
    enum class End {
        Answered,    // a whole answer: `status`, `reasonPhrase`; `body` when the status is 200
        Redirected,  // a redirect that was not followed: `status`, and `errorText` says where
                     // it pointed and why ("redirected the request to ...")
        TimedOut,    // no whole answer within the deadline
        TooLarge,    // the body was, or announced it would be, larger than allowed
        Unreachable, // no connection, or it failed before any answer came: `errorText`
        CutShort,    // the connection ended inside the answer: `errorText`; `status` when
                     // the head came whole
        NotHttp,     // what came is no HTTP answer (or its head is too large): `errorText`
    };
    End end = End::Unreachable;
    int status = 0;       // the HTTP status; 0 when no head came whole
    QString reasonPhrase; // the status line's words, as the server sent them
    QByteArray body;      // at most the allowed size
    // The last redirect followed (the answer came from there); empty when none was.
    QUrl redirectedTo;
    // A number for the error type (Qt Network's codes: TimeoutError, ConnectionRefusedError,
    // ...) and the words for what went wrong.
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QString errorText;

    // `server` as messages name it: with where a followed redirect led, when one did.
    QString answeredBy(const QString& server) const;
};

// One request at a time. Lives on the thread that creates it, which must run an event loop;
// nothing here ever waits.
class BoundedGet : public QObject {
  public:
    using Done = std::function<void(const Outcome&)>;

    explicit BoundedGet(QObject* parent = nullptr);
    ~BoundedGet() override;

    // Starts the request (`request`'s URL, http or https, and its headers) and returns at
    // once; `done` runs once, later, on this object's thread, unless the request is abandoned
    // first. A request still running is abandoned. Redirects are followed to an address as
    // safe as the one asked (never from https to http), at most maxRedirects in a row.
    void start(const QNetworkRequest& request, int timeoutMs, qint64 maxBytes, Done done);
    // Abandons the running request (its connection is closed); its `done` never runs.
    void cancel();
    bool isRunning() const { return socket_ != nullptr; }
    // The rule for redirects of the requests started from now on, beyond the one above: at
    // most `limit` followed in a row (at most maxRedirects), and none to an address for which
    // `refusal` gives a reason (an empty text takes the address; no function takes any).
    void setRedirectRule(int limit, std::function<QString(const QUrl&)> refusal);

  private:
    struct Answer; // the answer as it comes

    void connectTo(const QUrl& url);
    void sendRequest();
    void readAvailable();
    void take();
    bool takeHeadLine();
    bool takeChunkLine();
    bool takeBody();
    void headEnded();
    void redirect();
    void connectionEnded();
    void socketFailed();
    Outcome answered() const; // the answer taken, whole
    void finish(Outcome outcome);
    void failWith(Outcome::End end, QNetworkReply::NetworkError error, const QString& text);
    void dropSocket();

    QTimer* deadline_ = nullptr;        // child
    QAbstractSocket* socket_ = nullptr; // the running request's connection (child), or null
    quint64 connection_ = 0;            // counts connections, so that an old one's data is
                                        // never taken for a later one's
    QNetworkRequest request_;
    QUrl url_; // the address asked now
    QUrl redirectedTo_;
    int redirects_ = 0;
    int redirectLimit_ = maxRedirects;
    std::function<QString(const QUrl&)> redirectRefusal_;
    qint64 maxBytes_ = 0;
    std::unique_ptr<Answer> answer_;
    Done done_;
};

// The one running look-up of a web-service client that owns it: the request, the callback
// that receives what the answer gives (`T`, or an error), and a look-up's generation, so that
// an abandoned look-up never reports. The callback runs once, from the owner's event loop,
// never inside the call that starts the look-up; it is taken out before it runs, since it may
// start the next look-up or destroy the owner.
template <typename T>
class PendingLookup {
  public:
    using Result = ::Result<T>;
    using Done = std::function<void(const Result&)>;

    explicit PendingLookup(QObject* owner) : owner_(owner), get_(new BoundedGet(owner)) {}

    // Abandons the running look-up (its callback never runs) and takes the next one's.
    void begin(Done done) {
        cancel();
        done_ = std::move(done);
    }
    // Sends the request; `answered` reads the outcome and calls finish().
    void ask(const QNetworkRequest& request, int timeoutMs, qint64 maxBytes,
             BoundedGet::Done answered) {
        get_->start(request, timeoutMs, maxBytes, std::move(answered));
    }
    // Reports `error` from the event loop, unless the look-up is abandoned first.
    void failLater(const VortanError& error) {
        QTimer::singleShot(0, owner_, [this, error, generation = generation_] {
            if (generation == generation_)
                finish(error);
        });
    }
    void finish(const Result& result) {
        if (Done done = std::exchange(done_, nullptr))
            done(result);
    }
    void cancel() {
        ++generation_;
        done_ = nullptr;
        get_->cancel();
    }
    bool isRunning() const { return get_->isRunning(); }
    // The request's own rules (BoundedGet::setRedirectRule).
    BoundedGet& get() { return *get_; }

  private:
    QObject* owner_;
    BoundedGet* get_; // the owner's child
    Done done_;
    quint64 generation_ = 0; // counts starts and cancels
};

} // namespace boundedget
