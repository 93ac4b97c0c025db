#include "engine/core/boundedget.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <map>
#include <optional>
#include <utility>

namespace boundedget {

QString Outcome::answeredBy(const QString& server) const {
    if (redirectedTo.isEmpty())
        return server;
    return QCoreApplication::translate("BoundedGet", "%1 (redirected to %2)")
        .arg(server, QString::fromLatin1(redirectedTo.toEncoded()));
}

QString ServerAddress::text() const {
    const QString shownHost =
        host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(host) : host;
    return QStringLiteral("%1:%2").arg(shownHost).arg(port);
}

QUrl ServerAddress::url(const QString& path) const {
    QUrl url;
    url.setScheme(scheme);
    url.setHost(host);
    url.setPort(port);
    url.setPath(path);
    return url;
}

Result<ServerText> splitServer(const QString& text, const QString& service) {
    QString rest = text.trimmed();
    ServerText server;
    for (const char* scheme : {"https", "http"}) {
        const QString prefix = QLatin1String(scheme) + QStringLiteral("://");
        if (rest.startsWith(prefix, Qt::CaseInsensitive)) {
            server.scheme = QLatin1String(scheme);
            rest = rest.mid(prefix.size());
            break;
        }
    }
    while (rest.endsWith(QLatin1Char('/')))
        rest.chop(1);
    QString portText;
    if (rest.startsWith(QLatin1Char('['))) { // [ipv6]:port
        const qsizetype close = rest.indexOf(QLatin1Char(']'));
        if (close > 0) {
            server.host = rest.mid(1, close - 1);
            if (rest.mid(close + 1).startsWith(QLatin1Char(':')))
                portText = rest.mid(close + 2);
            else if (close + 1 != rest.size())
                server.host.clear();
        }
    } else {
        const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
        server.host = colon < 0 ? rest : rest.left(colon);
        if (colon >= 0)
            portText = rest.mid(colon + 1);
    }
    const auto bad = [&text, &service](const QString& why) {
        return VortanError(
            VortanError::InvalidArgument, service,
            QCoreApplication::translate("BoundedGet", "\"%1\" names no %2 server: %3")
                .arg(text, service, why));
    };
    if (server.host.isEmpty() || server.host.contains(QLatin1Char('/')) ||
        server.host.contains(QLatin1Char(' ')))
        return bad(QCoreApplication::translate("BoundedGet", "write it as host:port"));
    if (!portText.isEmpty()) {
        bool ok = false;
        server.port = portText.toInt(&ok);
        if (!ok || server.port < 1 || server.port > 65535)
            return bad(QCoreApplication::translate("BoundedGet",
                                                   "the port must be a number from 1 to 65535"));
    }
    return server;
}

bool isLoopback(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

struct BoundedGet::Answer {
    enum class Phase { Head, Body, UntilClose, ChunkSize, ChunkData, ChunkEnd, Trailer };
    Phase phase = Phase::Head;
    QByteArray pending;   // received, not yet taken
    qint64 received = 0;  // bytes received on this connection
    qint64 headBytes = 0; // of the head's lines taken so far
    bool statusRead = false;
    bool headDone = false;
    int status = 0;
    QString reason;
    std::map<QByteArray, QByteArray> headers; // names in lower case; the last of a name wins
    qint64 left = 0;                          // Body: bytes still due; ChunkData: of the chunk
    qint64 announced = -1;                    // Content-Length
    QByteArray body;

    QByteArray header(const char* name) const {
        const auto found = headers.find(QByteArray(name));
        return found == headers.end() ? QByteArray() : found->second;
    }
    // A line of at most `limit` bytes, without its end ("\r\n" or "\n"); none while it is
    // incomplete, or when it is longer (`tooLong`).
    std::optional<QByteArray> takeLine(qint64 limit, bool& tooLong) {
        const qsizetype end = pending.indexOf('\n');
        tooLong = end < 0 ? pending.size() > limit : end > limit;
        if (end < 0 || tooLong)
            return std::nullopt;
        QByteArray line = pending.left(end);
        pending.remove(0, end + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        return line;
    }
};

namespace {

const QString httpScheme = QStringLiteral("http");
const QString httpsScheme = QStringLiteral("https");

// A URL from a server, for messages: encoded (no control characters) and of bounded length.
QString shown(const QUrl& url) {
    QString text = QString::fromLatin1(url.toEncoded());
    if (text.size() > 300)
        text = text.left(300) + QStringLiteral("...");
    return text;
}

bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// "HTTP/1.1 200 OK": false when `line` is no status line.
bool readStatusLine(const QByteArray& line, int& status, QString& reason) {
    if (!line.startsWith("HTTP/"))
        return false;
    const qsizetype space = line.indexOf(' ');
    if (space < 0 || line.size() < space + 4)
        return false;
    const QByteArray code = line.mid(space + 1, 3);
    if (!std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
        (line.size() > space + 4 && line.at(space + 4) != ' '))
        return false;
    status = code.toInt();
    reason = QString::fromLatin1(line.mid(space + 5).trimmed()).left(100);
    return status >= 100;
}

QNetworkReply::NetworkError networkErrorOf(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QNetworkReply::ConnectionRefusedError;
    case QAbstractSocket::RemoteHostClosedError:
        return QNetworkReply::RemoteHostClosedError;
    case QAbstractSocket::HostNotFoundError:
        return QNetworkReply::HostNotFoundError;
    case QAbstractSocket::SocketTimeoutError:
        return QNetworkReply::TimeoutError;
    case QAbstractSocket::SslHandshakeFailedError:
        return QNetworkReply::SslHandshakeFailedError;
    case QAbstractSocket::ProxyConnectionRefusedError:
    case QAbstractSocket::ProxyConnectionClosedError:
    case QAbstractSocket::ProxyNotFoundError:
    case QAbstractSocket::ProxyProtocolError:
    case QAbstractSocket::ProxyConnectionTimeoutError:
    case QAbstractSocket::ProxyAuthenticationRequiredError:
        return QNetworkReply::UnknownProxyError;
    default:
        break;
    }
    return QNetworkReply::UnknownNetworkError;
}

} // namespace

// Why not QNetworkAccessManager: it reads answers on a thread of its own, which a server that
// sends without end (a head that never ends) keeps busy after the request is abandoned, and
// its destruction then waits for that thread; a request here must end when its caller says.
BoundedGet::BoundedGet(QObject* parent) : QObject(parent), deadline_(new QTimer(this)) {
    deadline_->setSingleShot(true);
    deadline_->setTimerType(Qt::PreciseTimer);
    connect(deadline_, &QTimer::timeout, this, [this] {
        if (socket_)
            failWith(Outcome::End::TimedOut, QNetworkReply::TimeoutError,
                     QCoreApplication::translate("BoundedGet",
                                                 "no whole answer within the time allowed"));
    });
}

BoundedGet::~BoundedGet() {
    cancel();
}

void BoundedGet::dropSocket() {
    if (QAbstractSocket* socket = std::exchange(socket_, nullptr)) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    answer_.reset();
}

void BoundedGet::cancel() {
    deadline_->stop();
    done_ = nullptr;
    dropSocket();
}

void BoundedGet::setRedirectRule(int limit, std::function<QString(const QUrl&)> refusal) {
    redirectLimit_ = std::clamp(limit, 0, maxRedirects);
    redirectRefusal_ = std::move(refusal);
}

void BoundedGet::start(const QNetworkRequest& request, int timeoutMs, qint64 maxBytes, Done done) {
    cancel();
    done_ = std::move(done);
    request_ = request;
    maxBytes_ = maxBytes;
    redirects_ = 0;
    redirectedTo_.clear();
    deadline_->start(std::max(1, timeoutMs));
    connectTo(request.url());
}

void BoundedGet::connectTo(const QUrl& url) {
    dropSocket();
    url_ = url;
    answer_ = std::make_unique<Answer>();
    const bool secure = url.scheme() == httpsScheme;
    const quint64 connection = ++connection_;
    const auto current = [this, connection] { return socket_ && connection == connection_; };
    if (secure) {
        auto* socket = new QSslSocket(this);
        socket_ = socket;
        connect(socket, &QSslSocket::encrypted, this, [this, current] {
            if (current())
                sendRequest();
        });
    } else {
        socket_ = new QTcpSocket(this);
        connect(socket_, &QAbstractSocket::connected, this, [this, current] {
            if (current())
                sendRequest();
        });
    }
    connect(socket_, &QIODevice::readyRead, this, [this, current] {
        if (current())
            readAvailable();
    });
    connect(socket_, &QAbstractSocket::errorOccurred, this, [this, current] {
        if (current())
            socketFailed();
    });
    connect(socket_, &QAbstractSocket::disconnected, this, [this, current] {
        if (current())
            connectionEnded();
    });
    const int port = url.port(secure ? 443 : 80);
    if (auto* tls = qobject_cast<QSslSocket*>(socket_))
        tls->connectToHostEncrypted(url.host(), static_cast<quint16>(port));
    else
        socket_->connectToHost(url.host(), static_cast<quint16>(port));
}

void BoundedGet::sendRequest() {
    QByteArray host = url_.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    const int defaultPort = url_.scheme() == httpsScheme ? 443 : 80;
    if (url_.port(defaultPort) != defaultPort)
        host += ':' + QByteArray::number(url_.port());
    QByteArray target =
        url_.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    if (target.isEmpty())
        target = "/";
    QByteArray head = "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
    const QList<QByteArray> names = request_.rawHeaderList();
    const auto named = [&names](const QByteArray& name) {
        return std::any_of(names.begin(), names.end(), [&name](const QByteArray& given) {
            return given.compare(name, Qt::CaseInsensitive) == 0;
        });
    };
    for (const QByteArray& name : names)
        if (name.compare("Host", Qt::CaseInsensitive) != 0 &&
            name.compare("Connection", Qt::CaseInsensitive) != 0)
            head += name + ": " + request_.rawHeader(name) + "\r\n";
    const QVariant agent = request_.header(QNetworkRequest::UserAgentHeader);
    if (!named("User-Agent") && agent.isValid())
        head += "User-Agent: " + agent.toByteArray() + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket_->write(head);
}

void BoundedGet::readAvailable() {
    const QByteArray bytes = socket_->readAll();
    answer_->received += bytes.size();
    answer_->pending += bytes;
    take();
}

// Takes what `pending` holds as far as it goes; may finish the request or follow a redirect.
void BoundedGet::take() {
    const quint64 connection = connection_;
    for (;;) {
        bool more = false;
        switch (answer_->phase) {
        case Answer::Phase::Head:
        case Answer::Phase::Trailer:
            more = takeHeadLine();
            break;
        case Answer::Phase::ChunkSize:
        case Answer::Phase::ChunkEnd:
            more = takeChunkLine();
            break;
        case Answer::Phase::Body:
        case Answer::Phase::UntilClose:
        case Answer::Phase::ChunkData:
            more = takeBody();
            break;
        }
        if (!more || !socket_ || connection != connection_)
            return;
    }
}

// The steps of take(): each takes one piece of the answer, and says whether to go on (false
// when more bytes are needed or the request has ended).

bool BoundedGet::takeHeadLine() {
    Answer& in = *answer_;
    bool tooLong = false;
    const std::optional<QByteArray> line = in.takeLine(maxHeadBytes - in.headBytes, tooLong);
    if (tooLong) {
        failWith(Outcome::End::NotHttp, QNetworkReply::ProtocolFailure,
                 QCoreApplication::translate("BoundedGet", "the head of its answer runs past %1 kB")
                     .arg(maxHeadBytes / 1024));
        return false;
    }
    if (!line)
        return false;
    in.headBytes += line->size() + 1;
    if (in.phase == Answer::Phase::Trailer) {
        if (line->isEmpty())
            finish(answered());
        return !line->isEmpty();
    }
    if (!in.statusRead) {
        in.statusRead = readStatusLine(*line, in.status, in.reason);
        if (!in.statusRead)
            failWith(Outcome::End::NotHttp, QNetworkReply::ProtocolFailure,
                     QCoreApplication::translate(
                         "BoundedGet", "its answer does not begin with an HTTP status line"));
        return in.statusRead;
    }
    if (!line->isEmpty()) {
        const qsizetype colon = line->indexOf(':');
        if (colon > 0)
            in.headers[line->left(colon).trimmed().toLower()] = line->mid(colon + 1).trimmed();
    } else if (in.status < 200) { // an interim answer: the real one follows
        in.statusRead = false;
        in.headers.clear();
    } else {
        headEnded();
    }
    return true;
}

bool BoundedGet::takeChunkLine() {
    Answer& in = *answer_;
    constexpr qint64 maxChunkLine = 1024;
    bool tooLong = false;
    const std::optional<QByteArray> line = in.takeLine(maxChunkLine, tooLong);
    const auto notHttp = [this](const QString& why) {
        failWith(Outcome::End::NotHttp, QNetworkReply::ProtocolFailure, why);
        return false;
    };
    if (in.phase == Answer::Phase::ChunkEnd) {
        if (tooLong || (line && !line->isEmpty()))
            return notHttp(QCoreApplication::translate(
                "BoundedGet", "a chunk of its answer is longer than its size"));
        if (line)
            in.phase = Answer::Phase::ChunkSize;
        return line.has_value();
    }
    if (tooLong)
        return notHttp(
            QCoreApplication::translate("BoundedGet", "a chunk of its answer has no size"));
    if (!line)
        return false;
    bool ok = false;
    const qint64 size = line->split(';').front().trimmed().toLongLong(&ok, 16);
    if (!ok || size < 0)
        return notHttp(
            QCoreApplication::translate("BoundedGet", "a chunk of its answer has no size"));
    if (size > maxBytes_ - in.body.size()) {
        failWith(Outcome::End::TooLarge, QNetworkReply::ContentAccessDenied,
                 QCoreApplication::translate("BoundedGet", "the answer is larger than %1 bytes")
                     .arg(maxBytes_));
        return false;
    }
    in.left = size;
    in.phase = size == 0 ? Answer::Phase::Trailer : Answer::Phase::ChunkData;
    return true;
}

bool BoundedGet::takeBody() {
    Answer& in = *answer_;
    if (in.phase == Answer::Phase::UntilClose) {
        in.body += std::exchange(in.pending, QByteArray());
        if (in.body.size() > maxBytes_)
            failWith(Outcome::End::TooLarge, QNetworkReply::ContentAccessDenied,
                     QCoreApplication::translate("BoundedGet", "the answer is larger than %1 bytes")
                         .arg(maxBytes_));
        return false;
    }
    const qint64 piece = std::min<qint64>(in.left, in.pending.size());
    in.body += in.pending.left(piece);
    in.pending.remove(0, piece);
    in.left -= piece;
    if (in.left > 0)
        return false;
    if (in.phase == Answer::Phase::ChunkData) {
        in.phase = Answer::Phase::ChunkEnd;
        return true;
    }
    finish(answered());
    return false;
}

// The head has come whole: the body's framing decides what follows.
void BoundedGet::headEnded() {
    Answer& in = *answer_;
    in.headDone = true;
    if (isRedirect(in.status)) {
        redirect();
        return;
    }
    // Only a 200 answer's body is read: for any other status the status is the news.
    if (in.status != 200)
        return finish(answered());
    const QByteArray length = in.header("content-length");
    if (in.header("transfer-encoding").toLower().contains("chunked")) {
        in.phase = Answer::Phase::ChunkSize;
    } else if (!length.isEmpty()) {
        bool ok = false;
        in.announced = length.toLongLong(&ok);
        if (!ok || in.announced < 0)
            return failWith(
                Outcome::End::NotHttp, QNetworkReply::ProtocolFailure,
                QCoreApplication::translate("BoundedGet", "its answer's length cannot be read"));
        if (in.announced > maxBytes_)
            return failWith(
                Outcome::End::TooLarge, QNetworkReply::ContentAccessDenied,
                QCoreApplication::translate("BoundedGet", "the answer announces %1 bytes")
                    .arg(in.announced));
        in.left = in.announced;
        in.phase = Answer::Phase::Body;
    } else {
        in.phase = Answer::Phase::UntilClose;
    }
}

// Follows the redirect the head names, or ends the request saying why it does not.
void BoundedGet::redirect() {
    const Answer& in = *answer_;
    const QString status = QCoreApplication::translate("BoundedGet", "HTTP %1 %2")
                               .arg(in.status)
                               .arg(in.reason)
                               .trimmed();
    const QByteArray location = in.header("location");
    const QUrl target = url_.resolved(QUrl::fromEncoded(location));
    const auto refuse = [this](const QString& why,
                               QNetworkReply::NetworkError error = QNetworkReply::ProtocolFailure) {
        failWith(Outcome::End::Redirected, error, why);
    };
    if (location.isEmpty())
        return refuse(QCoreApplication::translate(
                          "BoundedGet", "redirected the request (%1) without naming where to")
                          .arg(status));
    if (!target.isValid() || target.host().isEmpty() ||
        (target.scheme() != httpScheme && target.scheme() != httpsScheme))
        return refuse(
            QCoreApplication::translate("BoundedGet",
                                        "redirected the request (%1) to \"%2\", which is no web "
                                        "address")
                .arg(status, shown(target).isEmpty() ? QString::fromLatin1(location.left(300))
                                                     : shown(target)));
    if (url_.scheme() == httpsScheme && target.scheme() == httpScheme)
        return refuse(QCoreApplication::translate(
                          "BoundedGet",
                          "redirected the request (%1) to %2, an unencrypted address; "
                          "the redirect was not followed")
                          .arg(status, shown(target)),
                      QNetworkReply::InsecureRedirectError);
    if (redirectRefusal_)
        if (const QString why = redirectRefusal_(target); !why.isEmpty())
            return refuse(QCoreApplication::translate(
                              "BoundedGet",
                              "redirected the request (%1) to %2, %3; the redirect was not "
                              "followed")
                              .arg(status, shown(target), why),
                          QNetworkReply::InsecureRedirectError);
    if (redirects_ >= redirectLimit_)
        return refuse(QCoreApplication::translate(
                          "BoundedGet", "redirected the request (%1) to %2 after %3 redirects in a "
                                        "row (a redirect loop); the redirect was not followed")
                          .arg(status, shown(target), QString::number(redirectLimit_)),
                      QNetworkReply::TooManyRedirectsError);
    ++redirects_;
    redirectedTo_ = target;
    connectTo(target);
}

// The server closed the connection: the answer ends there.
void BoundedGet::connectionEnded() {
    if (socket_->bytesAvailable() > 0) {
        const quint64 connection = connection_;
        readAvailable();
        if (!socket_ || connection != connection_)
            return;
    }
    const Answer& in = *answer_;
    switch (in.phase) {
    case Answer::Phase::UntilClose:
        return finish(answered());
    case Answer::Phase::Head:
        if (in.received == 0)
            return failWith(Outcome::End::CutShort, QNetworkReply::RemoteHostClosedError,
                            QCoreApplication::translate(
                                "BoundedGet", "the connection was closed before any answer came"));
        return failWith(Outcome::End::CutShort, QNetworkReply::RemoteHostClosedError,
                        QCoreApplication::translate(
                            "BoundedGet", "the connection was closed inside the head of the "
                                          "answer"));
    case Answer::Phase::Body:
        return failWith(Outcome::End::CutShort, QNetworkReply::RemoteHostClosedError,
                        QCoreApplication::translate(
                            "BoundedGet", "the connection was closed after %1 of %2 bytes")
                            .arg(in.body.size())
                            .arg(in.announced));
    default:
        break;
    }
    failWith(Outcome::End::CutShort, QNetworkReply::RemoteHostClosedError,
             QCoreApplication::translate("BoundedGet",
                                         "the connection was closed after %1 bytes, inside a chunk")
                 .arg(in.body.size()));
}

void BoundedGet::socketFailed() {
    const QAbstractSocket::SocketError error = socket_->error();
    if (error == QAbstractSocket::RemoteHostClosedError)
        return connectionEnded();
    QString text = socket_->errorString();
    if (error == QAbstractSocket::HostNotFoundError)
        text = QCoreApplication::translate("BoundedGet", "Host %1 not found").arg(url_.host());
    const Answer& in = *answer_;
    if (in.received > 0)
        return failWith(Outcome::End::CutShort, networkErrorOf(error), text);
    failWith(Outcome::End::Unreachable, networkErrorOf(error), text);
}

void BoundedGet::failWith(Outcome::End end, QNetworkReply::NetworkError error,
                          const QString& text) {
    Outcome outcome;
    outcome.end = end;
    if (answer_ && answer_->headDone) {
        outcome.status = answer_->status;
        outcome.reasonPhrase = answer_->reason;
    }
    outcome.redirectedTo = redirectedTo_;
    outcome.error = error;
    outcome.errorText = text;
    finish(std::move(outcome));
}

Outcome BoundedGet::answered() const {
    Outcome outcome;
    outcome.end = Outcome::End::Answered;
    outcome.status = answer_->status;
    outcome.reasonPhrase = answer_->reason;
    outcome.body = answer_->body;
    outcome.redirectedTo = redirectedTo_;
    return outcome;
}

void BoundedGet::finish(Outcome outcome) {
    deadline_->stop();
    dropSocket();
    // `done` may start the next request or destroy this object: take it out first.
    if (Done done = std::exchange(done_, nullptr))
        done(outcome);
}

} // namespace boundedget
