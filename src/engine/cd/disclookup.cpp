#include "engine/cd/disclookup.h"

#include "engine/core/displaytext.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrlQuery>

#include <algorithm>
#include <utility>

namespace musicbrainz {

namespace {

const QString errorSource = QStringLiteral("MusicBrainz");

bool isLoopback(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

// A position or count from the answer: a whole number 1..999, else `otherwise`.
int count(const QJsonValue& value, int otherwise) {
    const double number = value.toDouble(-1);
    return number >= 1 && number <= 999 && number == static_cast<int>(number)
               ? static_cast<int>(number)
               : otherwise;
}

// "name" + "joinphrase" of each credited artist, e.g. "A feat. B".
QString artistCredit(const QJsonValue& credits) {
    QString text;
    for (const QJsonValue& credit : credits.toArray())
        text += credit[QLatin1String("name")].toString() +
                credit[QLatin1String("joinphrase")].toString();
    return text;
}

bool listsDisc(const QJsonObject& medium, const QString& discId) {
    for (const QJsonValue& disc : medium[QLatin1String("discs")].toArray())
        if (disc[QLatin1String("id")].toString() == discId)
            return true;
    return false;
}

// The release's medium that is the disc; an empty object when none is.
QJsonObject matchingMedium(const QJsonArray& media, const mbdiscid::MusicBrainzDisc& disc,
                           int trackCount) {
    for (const QJsonValue& medium : media)
        if (listsDisc(medium.toObject(), disc.id))
            return medium.toObject();
    for (const QJsonValue& medium : media)
        if (count(medium[QLatin1String("track-count")], -1) == trackCount)
            return medium.toObject();
    return {};
}

// "first last leadOut offset..." of the disc's table: its first track and track count.
std::pair<int, int> tracksOf(const QString& toc) {
    const QStringList fields = toc.split(QLatin1Char('+'));
    if (fields.size() < 2)
        return {1, 0};
    const int first = std::clamp(fields[0].toInt(), 1, 99);
    return {first, std::clamp(fields[1].toInt(), first, 99) - first + 1};
}

} // namespace

Result<ServerAddress> ServerAddress::parse(const QString& text) {
    QString rest = text.trimmed();
    ServerAddress address;
    bool explicitScheme = false;
    for (const char* scheme : {"https", "http"}) {
        const QString prefix = QLatin1String(scheme) + QStringLiteral("://");
        if (rest.startsWith(prefix, Qt::CaseInsensitive)) {
            address.scheme = QLatin1String(scheme);
            rest = rest.mid(prefix.size());
            explicitScheme = true;
            break;
        }
    }
    while (rest.endsWith(QLatin1Char('/')))
        rest.chop(1);
    QString portText;
    if (rest.startsWith(QLatin1Char('['))) { // [ipv6]:port
        const qsizetype close = rest.indexOf(QLatin1Char(']'));
        if (close > 0) {
            address.host = rest.mid(1, close - 1);
            if (rest.mid(close + 1).startsWith(QLatin1Char(':')))
                portText = rest.mid(close + 2);
            else if (close + 1 != rest.size())
                address.host.clear();
        }
    } else {
        const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
        address.host = colon < 0 ? rest : rest.left(colon);
        if (colon >= 0)
            portText = rest.mid(colon + 1);
    }
    const auto bad = [&text](const QString& why) {
        return VortanError(VortanError::InvalidArgument, errorSource,
                           QStringLiteral("\"%1\" names no MusicBrainz server: %2").arg(text, why));
    };
    if (address.host.isEmpty() || address.host.contains(QLatin1Char('/')) ||
        address.host.contains(QLatin1Char(' ')))
        return bad(QStringLiteral("write it as host:port"));
    if (portText.isEmpty()) {
        address.port = address.scheme == QLatin1String("http") ? 80 : 443;
    } else {
        bool ok = false;
        address.port = portText.toInt(&ok);
        if (!ok || address.port < 1 || address.port > 65535)
            return bad(QStringLiteral("the port must be a number from 1 to 65535"));
    }
    const bool loopback = isLoopback(address.host);
    if (explicitScheme && address.scheme == QLatin1String("http") && !loopback)
        return bad(QStringLiteral("a server other than this computer is only asked over https"));
    if (!explicitScheme)
        address.scheme =
            address.port != 443 && loopback ? QStringLiteral("http") : QStringLiteral("https");
    return address;
}

QString ServerAddress::text() const {
    const QString shownHost =
        host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(host) : host;
    return QStringLiteral("%1:%2").arg(shownHost).arg(port);
}

QUrl discIdUrl(const ServerAddress& server, const mbdiscid::MusicBrainzDisc& disc) {
    QUrl url;
    url.setScheme(server.scheme);
    url.setHost(server.host);
    url.setPort(server.port);
    url.setPath(QStringLiteral("/ws/2/discid/") + disc.id);
    QUrlQuery query;
    if (!disc.toc.isEmpty())
        query.addQueryItem(QStringLiteral("toc"), disc.toc);
    query.addQueryItem(QStringLiteral("cdstubs"), QStringLiteral("no"));
    query.addQueryItem(QStringLiteral("inc"), QStringLiteral("recordings+artist-credits"));
    query.addQueryItem(QStringLiteral("fmt"), QStringLiteral("json"));
    url.setQuery(query);
    return url;
}

Result<std::vector<ReleaseMatch>> parseDiscIdAnswer(const QByteArray& json,
                                                    const mbdiscid::MusicBrainzDisc& disc) {
    const auto unreadable = [](const QString& why) {
        return VortanError(VortanError::InvalidArgument, errorSource,
                           QStringLiteral("The answer of the MusicBrainz service cannot be "
                                          "read: %1")
                               .arg(why));
    };
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return unreadable(parseError.errorString());
    if (!document.isObject())
        return unreadable(QStringLiteral("it is not a JSON object"));
    const QJsonValue releases = document.object()[QLatin1String("releases")];
    if (!releases.isArray())
        return unreadable(QStringLiteral("it holds no list of releases"));

    const auto [firstTrack, trackCount] = tracksOf(disc.toc);
    std::vector<ReleaseMatch> matches;
    for (const QJsonValue& value : releases.toArray()) {
        const QJsonObject release = value.toObject();
        const QJsonArray media = release[QLatin1String("media")].toArray();
        const QJsonObject medium = matchingMedium(media, disc, trackCount);
        if (medium.isEmpty())
            continue;
        ReleaseMatch match;
        match.disc.album = release[QLatin1String("title")].toString();
        match.disc.artist = artistCredit(release[QLatin1String("artist-credit")]);
        match.disc.date = release[QLatin1String("date")].toString();
        match.disc.releaseId = release[QLatin1String("id")].toString();
        match.disc.discId = disc.id;
        match.country = release[QLatin1String("country")].toString();
        match.disambiguation = release[QLatin1String("disambiguation")].toString();
        match.format = medium[QLatin1String("format")].toString();
        match.mediumPosition = count(medium[QLatin1String("position")], 1);
        match.mediumCount = static_cast<int>(std::min<qsizetype>(media.size(), 999));
        const QJsonArray tracks = medium[QLatin1String("tracks")].toArray();
        for (qsizetype i = 0; i < tracks.size() && i < 99; ++i) {
            const QJsonObject track = tracks[i].toObject();
            const QJsonObject recording = track[QLatin1String("recording")].toObject();
            const QJsonValue given = track[QLatin1String("position")];
            const int position = given.isUndefined() ? static_cast<int>(i) + 1 : count(given, -1);
            const int number = firstTrack + position - 1;
            if (position < 1 || number < 1 || number > 99)
                continue; // not a track of this disc
            QString title = track[QLatin1String("title")].toString();
            if (title.isEmpty())
                title = recording[QLatin1String("title")].toString();
            QString artist = artistCredit(track[QLatin1String("artist-credit")]);
            if (artist.isEmpty())
                artist = artistCredit(recording[QLatin1String("artist-credit")]);
            match.disc.tracks.push_back(
                TrackInfo{number, title, artist, recording[QLatin1String("id")].toString()});
        }
        matches.push_back(std::move(match));
    }
    return matches;
}

QString releaseLabel(const ReleaseMatch& match) {
    QStringList details;
    for (const QString& detail : {match.disc.date, match.country})
        if (!detail.isEmpty())
            details << detail;
    QString medium = match.format;
    if (match.mediumCount > 1)
        medium = QStringLiteral("%1 %2 of %3")
                     .arg(medium.isEmpty() ? QStringLiteral("Disc") : medium)
                     .arg(match.mediumPosition)
                     .arg(match.mediumCount);
    if (!medium.isEmpty())
        details << medium;
    if (!match.disambiguation.isEmpty())
        details << match.disambiguation;
    QString label = match.disc.album;
    if (!match.disc.artist.isEmpty())
        label += QStringLiteral(" - ") + match.disc.artist;
    if (!details.isEmpty())
        label += QStringLiteral(" (") + details.join(QStringLiteral(", ")) + QLatin1Char(')');
    return label;
}

QByteArray userAgent() {
    const QByteArray contact = QByteArrayLiteral(VORTAN_CONTACT);
    const QByteArray program = QByteArrayLiteral("MP3Vortan/" VORTAN_VERSION);
    return contact.isEmpty() ? program : program + " ( " + contact + " )";
}

DiscLookup::DiscLookup(QObject* parent)
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

DiscLookup::~DiscLookup() {
    cancel();
}

bool DiscLookup::isRunning() const {
    return reply_ != nullptr;
}

void DiscLookup::cancel() {
    ++generation_;
    deadline_->stop();
    done_ = nullptr;
    if (QNetworkReply* reply = std::exchange(reply_, nullptr)) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void DiscLookup::start(const LookupRequest& request, Done done) {
    cancel();
    done_ = std::move(done);
    request_ = request;
    timedOut_ = false;
    auto server = ServerAddress::parse(request.server);
    if (!server) {
        // Reported later, like every other answer, so that `done` never runs inside start.
        QTimer::singleShot(0, this, [this, error = server.error(), generation = generation_] {
            if (generation == generation_)
                finish(error);
        });
        return;
    }
    serverText_ = server->text();
    QNetworkRequest http(discIdUrl(server.value(), request.disc));
    http.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    http.setRawHeader("Accept", "application/json");
    reply_ = network_->get(http);
    connect(reply_, &QNetworkReply::finished, this, &DiscLookup::replyFinished);
    // An answer that is, or says it will be, larger than any disc's is abandoned at once.
    tooLarge_ = false;
    connect(reply_, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        if (!reply_ || (received <= maxAnswerBytes && total <= maxAnswerBytes))
            return;
        tooLarge_ = true;
        reply_->abort();
    });
    deadline_->start(std::max(1, request.timeoutMs));
}

void DiscLookup::replyFinished() {
    QNetworkReply* reply = std::exchange(reply_, nullptr);
    if (!reply)
        return;
    reply->deleteLater();
    deadline_->stop();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const auto failed = [this](int number, const QString& text) {
        finish(VortanError(number, errorSource, text));
    };
    if (tooLarge_) {
        failed(QNetworkReply::ContentAccessDenied,
               QStringLiteral("The MusicBrainz service at %1 answered with more than %2 MB, "
                              "which is no disc's information; the answer was not read")
                   .arg(serverText_)
                   .arg(maxAnswerBytes / (1024 * 1024)));
        return;
    }
    if (timedOut_) {
        failed(QNetworkReply::TimeoutError,
               QStringLiteral("The MusicBrainz service at %1 did not answer within %2 seconds")
                   .arg(serverText_)
                   .arg(request_.timeoutMs / 1000.0));
        return;
    }
    if (status == 404) { // the service knows no release with this disc
        finish(std::vector<ReleaseMatch>{});
        return;
    }
    if (status == 503) {
        failed(status, QStringLiteral("The MusicBrainz service at %1 is busy; try again in a "
                                      "moment")
                           .arg(serverText_));
        return;
    }
    if (status != 0 && status != 200) {
        failed(status,
               QStringLiteral("The MusicBrainz service at %1 answered HTTP %2 %3")
                   .arg(serverText_)
                   .arg(status)
                   .arg(printable(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute)
                                      .toString()
                                      .left(100)))
                   .trimmed());
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        failed(reply->error(), QStringLiteral("The MusicBrainz service at %1 cannot be reached: %2")
                                   .arg(serverText_, reply->errorString()));
        return;
    }
    finish(parseDiscIdAnswer(reply->read(maxAnswerBytes), request_.disc));
}

void DiscLookup::finish(const Result& result) {
    // `done` may start the next look-up or destroy this object: take it out first.
    Done done = std::exchange(done_, nullptr);
    if (done)
        done(result);
}

} // namespace musicbrainz
