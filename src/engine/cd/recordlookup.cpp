#include "engine/cd/recordlookup.h"

#include "engine/core/displaytext.h"

#include <QNetworkRequest>

namespace accuraterip {

namespace {

const QString errorSource = QStringLiteral("AccurateRip");

// `text` made to follow "could not be asked: ".
QString asReason(QString text) {
    if (text.size() > 1 && text.at(0).isUpper() && text.at(1).isLower())
        text[0] = text.at(0).toLower();
    return text;
}

} // namespace

Result<boundedget::ServerAddress> serverAddress(const QString& text) {
    const auto written = boundedget::splitServer(text, errorSource);
    if (!written)
        return VortanError(written.error().number(), errorSource,
                           asReason(written.error().description()));
    boundedget::ServerAddress address;
    address.host = written->host;
    address.port = written->port != 0                          ? written->port
                   : written->scheme == QLatin1String("https") ? 443
                                                               : 80;
    address.scheme = written->scheme.isEmpty()
                         ? (address.port == 443 ? QStringLiteral("https") : QStringLiteral("http"))
                         : written->scheme;
    return address;
}

RecordLookup::RecordLookup(QObject* parent) : QObject(parent) {}

RecordLookup::~RecordLookup() {
    cancel();
}

void RecordLookup::cancel() {
    pending_.cancel();
}

void RecordLookup::start(const LookupRequest& request, Done done) {
    pending_.begin(std::move(done));
    request_ = request;
    const auto server = serverAddress(request.server);
    if (!server) {
        pending_.failLater(server.error());
        return;
    }
    serverText_ = server->text();
    QNetworkRequest http(server->url(recordPath(request.key)));
    http.setHeader(QNetworkRequest::UserAgentHeader,
                   QByteArrayLiteral("MP3Vortan/" VORTAN_VERSION));
    pending_.ask(http, request.timeoutMs, maxAnswerBytes,
                [this](const boundedget::Outcome& outcome) { answered(outcome); });
}

void RecordLookup::answered(const boundedget::Outcome& outcome) {
    const auto failed = [this](int number, const QString& text) {
        pending_.finish(VortanError(number, errorSource, text));
    };
    if (outcome.tooLarge) {
        failed(QNetworkReply::ContentAccessDenied,
               QStringLiteral("%1 answered with more than %2 kB, which is no disc's record")
                   .arg(serverText_)
                   .arg(maxAnswerBytes / 1024));
        return;
    }
    if (outcome.timedOut) {
        failed(QNetworkReply::TimeoutError, QStringLiteral("%1 did not answer within %2 seconds")
                                                .arg(serverText_)
                                                .arg(request_.timeoutMs / 1000.0));
        return;
    }
    if (outcome.status == 404) { // the database holds no rips of the disc
        pending_.finish(Record{});
        return;
    }
    if (outcome.status != 0 && outcome.status != 200) {
        failed(outcome.status, QStringLiteral("%1 answered HTTP %2 %3")
                                   .arg(serverText_)
                                   .arg(outcome.status)
                                   .arg(printable(outcome.reasonPhrase))
                                   .trimmed());
        return;
    }
    if (outcome.error != QNetworkReply::NoError) {
        failed(
            outcome.error,
            outcome.status == 200
                ? QStringLiteral("the answer of %1 is cut short (%2)")
                      .arg(serverText_, outcome.errorText)
                : QStringLiteral("%1 cannot be reached: %2").arg(serverText_, outcome.errorText));
        return;
    }
    const auto record = parseRecord(outcome.body, request_.key);
    if (!record) {
        failed(record.error().number(), asReason(record.error().description()));
        return;
    }
    pending_.finish(record);
}

} // namespace accuraterip
