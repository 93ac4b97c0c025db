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
    using End = boundedget::Outcome::End;
    // The server named in messages; where a redirect led, that too.
    const QString at = outcome.answeredBy(serverText_);
    const auto failed = [this](int number, const QString& text) {
        pending_.finish(VortanError(number, errorSource, text));
    };
    switch (outcome.end) {
    case End::TooLarge:
        return failed(QNetworkReply::ContentAccessDenied,
                      tr("%1 answered with more than %2 kB, which is no disc's record")
                          .arg(at, QString::number(maxAnswerBytes / 1024)));
    case End::TimedOut:
        return failed(QNetworkReply::TimeoutError,
                      tr("%1 did not answer within %2 seconds")
                          .arg(at, QString::number(request_.timeoutMs / 1000.0)));
    case End::Redirected:
        return failed(outcome.status,
                      QStringLiteral("%1 %2").arg(serverText_, printable(outcome.errorText)));
    case End::Unreachable:
        return failed(outcome.error, tr("%1 cannot be reached: %2").arg(at, outcome.errorText));
    case End::CutShort:
        return failed(outcome.error,
                      (outcome.status == 0 ? tr("%1 gave no whole answer: %2")
                                           : tr("the answer of %1 is cut short (%2)"))
                          .arg(at, outcome.errorText));
    case End::NotHttp:
        return failed(outcome.error,
                      tr("%1 does not answer as a web server does: %2").arg(at, outcome.errorText));
    case End::Answered:
        break;
    }
    if (outcome.status == 404) // the database holds no rips of the disc
        return pending_.finish(Record{});
    if (outcome.status != 200)
        return failed(outcome.status,
                      tr("%1 answered HTTP %2 %3")
                          .arg(at, QString::number(outcome.status), printable(outcome.reasonPhrase))
                          .trimmed());
    const auto record = parseRecord(outcome.body, request_.key);
    if (!record)
        return failed(record.error().number(), asReason(record.error().description()));
    pending_.finish(record);
}

} // namespace accuraterip
