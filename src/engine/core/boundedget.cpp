#include "engine/core/boundedget.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace boundedget {

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
        return VortanError(VortanError::InvalidArgument, service,
                           QStringLiteral("\"%1\" names no %2 server: %3").arg(text, service, why));
    };
    if (server.host.isEmpty() || server.host.contains(QLatin1Char('/')) ||
        server.host.contains(QLatin1Char(' ')))
        return bad(QStringLiteral("write it as host:port"));
    if (!portText.isEmpty()) {
        bool ok = false;
        server.port = portText.toInt(&ok);
        if (!ok || server.port < 1 || server.port > 65535)
            return bad(QStringLiteral("the port must be a number from 1 to 65535"));
    }
    return server;
}

bool isLoopback(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

BoundedGet::BoundedGet(QObject* parent)
    : QObject(parent), network_(new QNetworkAccessManager(this)), deadline_(new QTimer(this)) {
    deadline_->setSingleShot(true);
    deadline_->setTimerType(Qt::PreciseTimer);
    connect(deadline_, &QTimer::timeout, this, [this] {
        if (!reply_)
            return;
        timedOut_ = true;
        reply_->abort(); // finished() follows at once, with OperationCanceledError
    });
}

BoundedGet::~BoundedGet() {
    cancel();
}

void BoundedGet::cancel() {
    deadline_->stop();
    done_ = nullptr;
    if (QNetworkReply* reply = std::exchange(reply_, nullptr)) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void BoundedGet::start(const QNetworkRequest& request, int timeoutMs, qint64 maxBytes, Done done) {
    cancel();
    done_ = std::move(done);
    maxBytes_ = maxBytes;
    timedOut_ = false;
    tooLarge_ = false;
    reply_ = network_->get(request);
    connect(reply_, &QNetworkReply::finished, this, &BoundedGet::replyFinished);
    connect(reply_, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        if (!reply_ || (received <= maxBytes_ && total <= maxBytes_))
            return;
        tooLarge_ = true;
        reply_->abort();
    });
    deadline_->start(std::max(1, timeoutMs));
}

void BoundedGet::replyFinished() {
    QNetworkReply* reply = std::exchange(reply_, nullptr);
    if (!reply)
        return;
    reply->deleteLater();
    deadline_->stop();
    Outcome outcome;
    outcome.timedOut = timedOut_;
    outcome.tooLarge = tooLarge_;
    outcome.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    outcome.reasonPhrase =
        reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().left(100);
    outcome.error = reply->error();
    outcome.errorText = reply->errorString();
    if (!outcome.timedOut && !outcome.tooLarge)
        outcome.body = reply->read(maxBytes_);
    // `done` may start the next request or destroy this object: take it out first.
    if (Done done = std::exchange(done_, nullptr))
        done(outcome);
}

} // namespace boundedget
