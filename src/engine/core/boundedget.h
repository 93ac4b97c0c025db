#pragma once

#include "engine/platform/error.h"

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <utility>

class QNetworkAccessManager;
class QNetworkRequest;

// One bounded HTTP GET: the way the program asks web services (MusicBrainz, AccurateRip)
// without ever waiting on them. The request runs inside Qt Network on the caller's event
// loop; a deadline covers the whole request (connecting and reading included), and an answer
// larger than the caller allows is abandoned as soon as it is seen to be.
namespace boundedget {

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

// How a request ended. An HTTP answer of any status (404 included) has its status; `body` is
// at most the allowed size.
struct Outcome {
    bool timedOut = false; // no whole answer within the deadline
    bool tooLarge = false; // the answer was, or announced it would be, larger than allowed
    int status = 0;        // the HTTP status; 0 when none came
    QString reasonPhrase;  // the status line's words, as the server sent them
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QString errorText; // Qt Network's words for `error`
    QByteArray body;
};

// One request at a time. Lives on the thread that creates it, which must run an event loop;
// nothing here ever waits.
class BoundedGet : public QObject {
  public:
    using Done = std::function<void(const Outcome&)>;

    explicit BoundedGet(QObject* parent = nullptr);
    ~BoundedGet() override;

    // Starts the request and returns at once; `done` runs once, later, on this object's
    // thread, unless the request is abandoned first. A request still running is abandoned.
    void start(const QNetworkRequest& request, int timeoutMs, qint64 maxBytes, Done done);
    // Abandons the running request; its `done` never runs.
    void cancel();
    bool isRunning() const { return reply_ != nullptr; }

  private:
    void replyFinished();

    QNetworkAccessManager* network_ = nullptr; // child
    QTimer* deadline_ = nullptr;               // child
    QNetworkReply* reply_ = nullptr;           // running request, or null
    Done done_;
    qint64 maxBytes_ = 0;
    bool timedOut_ = false;
    bool tooLarge_ = false;
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

  private:
    QObject* owner_;
    BoundedGet* get_; // the owner's child
    Done done_;
    quint64 generation_ = 0; // counts starts and cancels
};

} // namespace boundedget
