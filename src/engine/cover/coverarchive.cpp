#include "engine/cover/coverarchive.h"

#include "engine/core/displaytext.h"
#include "engine/platform/callposter.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkRequest>
#include <QRegularExpression>

#include <algorithm>

namespace coverarchive {

namespace {

const QString errorSource = QStringLiteral("Cover Art Archive");

QString tr(const char* text) {
    return QCoreApplication::translate("CoverArchive", text);
}

// Why a request may not go to `url`: plain http to a host other than a loopback one.
QString insecure(const QUrl& url) {
    if (url.scheme() == QLatin1String("https") || boundedget::isLoopback(url.host()))
        return {};
    return tr("an unencrypted address");
}

// `url` as it is asked: a listing names its pictures with http addresses, which are asked over
// https unless they are on this computer.
QUrl secured(QUrl url) {
    if (url.scheme() == QLatin1String("http") && !boundedget::isLoopback(url.host())) {
        url.setScheme(QStringLiteral("https"));
        if (url.port() == 80)
            url.setPort(-1);
    }
    return url;
}

} // namespace

Size sizeFromText(const QString& text) {
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("250"))
        return Size::Px250;
    if (t == QLatin1String("1200"))
        return Size::Px1200;
    if (t == QLatin1String("original"))
        return Size::Original;
    return Size::Px500;
}

QString textOf(Size size) {
    switch (size) {
    case Size::Px250:
        return QStringLiteral("250");
    case Size::Px500:
        return QStringLiteral("500");
    case Size::Px1200:
        return QStringLiteral("1200");
    case Size::Original:
        return QStringLiteral("original");
    }
    return QStringLiteral("500");
}

Result<boundedget::ServerAddress> serverAddress(const QString& text) {
    QString written = text.trimmed();
    while (written.endsWith(QLatin1Char('/')))
        written.chop(1);
    const auto split = boundedget::splitServer(written, errorSource);
    if (!split)
        return split.error();
    boundedget::ServerAddress address;
    address.host = split->host;
    const bool loopback = boundedget::isLoopback(address.host);
    if (split->scheme == QLatin1String("http") && !loopback)
        return VortanError(VortanError::InvalidArgument, errorSource,
                           tr("\"%1\" names no cover art server: a server other than this "
                              "computer is only asked over https")
                               .arg(text));
    address.scheme = split->scheme;
    address.port = split->port != 0                          ? split->port
                   : address.scheme == QLatin1String("http") ? 80
                                                             : 443;
    if (address.scheme.isEmpty())
        address.scheme =
            loopback && address.port != 443 ? QStringLiteral("http") : QStringLiteral("https");
    return address;
}

bool isReleaseId(const QString& releaseId) {
    static const QRegularExpression uuid(
        QStringLiteral("^[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-"
                       "[0-9a-fA-F]{12}$"));
    return uuid.match(releaseId).hasMatch();
}

Result<QUrl> frontImageUrl(const QByteArray& listing, Size size) {
    const auto unreadable = [](const QString& why) {
        return VortanError(VortanError::InvalidArgument, errorSource,
                           tr("The Cover Art Archive's listing cannot be read: %1").arg(why));
    };
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(listing, &parse);
    if (parse.error != QJsonParseError::NoError)
        return unreadable(parse.errorString());
    if (!document.isObject() || !document.object().value(QLatin1String("images")).isArray())
        return unreadable(tr("it holds no list of images"));
    const QJsonArray images = document.object().value(QLatin1String("images")).toArray();
    const auto isFront = [](const QJsonObject& image) {
        return image.value(QLatin1String("front")).toBool();
    };
    const auto namesFront = [](const QJsonObject& image) {
        return image.value(QLatin1String("types")).toArray().contains(QStringLiteral("Front"));
    };
    QJsonObject front;
    for (const auto& take : {std::function<bool(const QJsonObject&)>(isFront),
                             std::function<bool(const QJsonObject&)>(namesFront)}) {
        const auto found =
            std::find_if(images.begin(), images.end(), [&take](const QJsonValue& value) {
                return value.isObject() && take(value.toObject());
            });
        if (found != images.end()) {
            front = found->toObject();
            break;
        }
    }
    if (front.isEmpty())
        return VortanError(CoverFetch::noCover, errorSource,
                           tr("The Cover Art Archive lists no front cover of this release"));
    QStringList keys;
    switch (size) {
    case Size::Px250:
        keys = {QStringLiteral("250"), QStringLiteral("small")};
        break;
    case Size::Px500:
        keys = {QStringLiteral("500"), QStringLiteral("large")};
        break;
    case Size::Px1200:
        keys = {QStringLiteral("1200")};
        break;
    case Size::Original:
        break;
    }
    QString address;
    const QJsonObject thumbnails = front.value(QLatin1String("thumbnails")).toObject();
    for (const QString& key : keys)
        if (address = thumbnails.value(key).toString(); !address.isEmpty())
            break;
    if (address.isEmpty())
        address = front.value(QLatin1String("image")).toString();
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
        return unreadable(tr("the front cover's address \"%1\" is no web address")
                              .arg(printable(address.left(300))));
    return url;
}

CoverFetch::CoverFetch(QObject* parent) : QObject(parent), calls_(new CallPoster(this)) {
    pending_.get().setRedirectRule(maxRedirects, insecure);
}

CoverFetch::~CoverFetch() {
    cancel();
    joinChecker(); // before the poster goes: the checker's last call is dropped with it
}

void CoverFetch::cancel() {
    ++checks_;
    checking_ = false;
    pending_.cancel();
}

void CoverFetch::joinChecker() {
    if (checker_.joinable())
        checker_.join();
}

QNetworkRequest CoverFetch::requestOf(const QUrl& url) const {
    QNetworkRequest http(url);
    http.setHeader(QNetworkRequest::UserAgentHeader,
                   QByteArrayLiteral("MP3Vortan/" VORTAN_VERSION));
    return http;
}

int CoverFetch::timeLeftMs() const {
    return static_cast<int>(std::max<qint64>(1, request_.timeoutMs - started_.elapsed()));
}

void CoverFetch::start(const FetchRequest& request, Done done) {
    ++checks_;
    checking_ = false;
    pending_.begin(std::move(done));
    request_ = request;
    started_.start();
    const auto server = serverAddress(request.server);
    if (!server)
        return pending_.failLater(server.error());
    if (!isReleaseId(request.releaseId))
        return pending_.failLater(VortanError(VortanError::InvalidArgument, errorSource,
                                              tr("\"%1\" is no MusicBrainz release identifier")
                                                  .arg(printable(request.releaseId.left(100)))));
    serverText_ = server->text();
    pending_.ask(requestOf(server->url(QStringLiteral("/release/") + request.releaseId)),
                 timeLeftMs(), maxListingBytes,
                 [this](const boundedget::Outcome& outcome) { listed(outcome); });
}

std::optional<VortanError> CoverFetch::failureOf(const boundedget::Outcome& outcome,
                                                 const QString& server) const {
    using End = boundedget::Outcome::End;
    const QString at = outcome.answeredBy(server);
    const auto failed = [](int number, const QString& text) {
        return VortanError(number, errorSource, text);
    };
    switch (outcome.end) {
    case End::TooLarge:
        return failed(
            QNetworkReply::ContentAccessDenied,
            tr("The Cover Art Archive at %1 answered with more than %2 kB; the answer "
               "was not taken")
                .arg(at)
                .arg(pictureUrl_.isEmpty() ? maxListingBytes / 1024 : cover::maxCoverBytes / 1024));
    case End::TimedOut:
        return failed(QNetworkReply::TimeoutError,
                      tr("The Cover Art Archive at %1 did not answer within %2 seconds")
                          .arg(at, QString::number(request_.timeoutMs / 1000.0)));
    case End::Redirected:
        return failed(
            outcome.error,
            tr("The Cover Art Archive at %1 %2").arg(server, printable(outcome.errorText)));
    case End::Unreachable:
        return failed(
            outcome.error,
            tr("The Cover Art Archive at %1 cannot be reached: %2").arg(at, outcome.errorText));
    case End::CutShort:
        return failed(
            outcome.error,
            tr("The Cover Art Archive at %1 gave no whole answer: %2").arg(at, outcome.errorText));
    case End::NotHttp:
        return failed(outcome.error,
                      tr("The Cover Art Archive at %1 does not answer as a web server does: %2")
                          .arg(at, outcome.errorText));
    case End::Answered:
        break;
    }
    if (outcome.status == 404)
        return failed(
            noCover,
            tr("The Cover Art Archive has no cover of release %1").arg(request_.releaseId));
    if (outcome.status != 200)
        return failed(outcome.status,
                      tr("The Cover Art Archive at %1 answered HTTP %2 %3")
                          .arg(at, QString::number(outcome.status), printable(outcome.reasonPhrase))
                          .trimmed());
    return std::nullopt;
}

void CoverFetch::listed(const boundedget::Outcome& outcome) {
    pictureUrl_.clear();
    if (auto failure = failureOf(outcome, serverText_))
        return pending_.finish(*failure);
    const auto url = frontImageUrl(outcome.body, request_.size);
    if (!url)
        return pending_.finish(url.error());
    pictureUrl_ = secured(url.value());
    pending_.ask(requestOf(pictureUrl_), timeLeftMs(), cover::maxCoverBytes,
                 [this](const boundedget::Outcome& answer) { pictured(answer); });
}

void CoverFetch::pictured(const boundedget::Outcome& outcome) {
    const QString server = pictureUrl_.host();
    if (auto failure = failureOf(outcome, server))
        return pending_.finish(*failure);
    const QUrl source = outcome.redirectedTo.isEmpty() ? pictureUrl_ : outcome.redirectedTo;
    // Decoding a large picture takes a moment: never on this thread, which may be a window's.
    joinChecker();
    checking_ = true;
    const quint64 check = checks_;
    checker_ = std::thread([this, body = outcome.body, source = source.toString(), check] {
        auto checked = cover::fromBytes(body, source);
        calls_->post([this, checked = std::move(checked), check] {
            joinChecker();
            if (check != checks_)
                return;
            checking_ = false;
            if (!checked)
                return pending_.finish(VortanError(checked.error().number(), errorSource,
                                                   checked.error().description()));
            pending_.finish(checked);
        });
    });
}

} // namespace coverarchive
