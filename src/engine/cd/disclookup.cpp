#include "engine/cd/disclookup.h"

#include "engine/core/displaytext.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkRequest>
#include <QUrlQuery>

#include <algorithm>
#include <utility>

namespace musicbrainz {

namespace {

const QString errorSource = QStringLiteral("MusicBrainz");

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
    const auto written = boundedget::splitServer(text, errorSource);
    if (!written)
        return written.error();
    ServerAddress address;
    address.host = written->host;
    address.scheme = written->scheme;
    const bool loopback = boundedget::isLoopback(address.host);
    if (address.scheme == QLatin1String("http") && !loopback)
        return VortanError(VortanError::InvalidArgument, errorSource,
                           QCoreApplication::translate(
                               "DiscLookup", "\"%1\" names no MusicBrainz server: a server other "
                                             "than this computer is only asked over https")
                               .arg(text));
    address.port = written->port != 0                        ? written->port
                   : address.scheme == QLatin1String("http") ? 80
                                                             : 443;
    if (address.scheme.isEmpty())
        address.scheme =
            address.port != 443 && loopback ? QStringLiteral("http") : QStringLiteral("https");
    return address;
}

QUrl discIdUrl(const ServerAddress& server, const mbdiscid::MusicBrainzDisc& disc) {
    QUrl url = server.url(QStringLiteral("/ws/2/discid/") + disc.id);
    QUrlQuery query;
    if (!disc.toc.isEmpty())
        query.addQueryItem(QStringLiteral("toc"), disc.toc);
    query.addQueryItem(QStringLiteral("cdstubs"), QStringLiteral("no"));
    query.addQueryItem(QStringLiteral("inc"), QStringLiteral("recordings+artist-credits+labels"));
    query.addQueryItem(QStringLiteral("fmt"), QStringLiteral("json"));
    url.setQuery(query);
    return url;
}

Result<std::vector<ReleaseMatch>> parseDiscIdAnswer(const QByteArray& json,
                                                    const mbdiscid::MusicBrainzDisc& disc) {
    const auto unreadable = [](const QString& why) {
        return VortanError(VortanError::InvalidArgument, errorSource,
                           QCoreApplication::translate(
                               "DiscLookup", "The answer of the MusicBrainz service cannot be "
                                             "read: %1")
                               .arg(why));
    };
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return unreadable(parseError.errorString());
    if (!document.isObject())
        return unreadable(QCoreApplication::translate("DiscLookup", "it is not a JSON object"));
    const QJsonValue releases = document.object()[QLatin1String("releases")];
    if (!releases.isArray())
        return unreadable(
            QCoreApplication::translate("DiscLookup", "it holds no list of releases"));

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
        match.mediumCount = std::max(match.mediumCount, match.mediumPosition);
        if (match.mediumCount > 1) {
            match.disc.discNumber = match.mediumPosition;
            match.disc.discTotal = match.mediumCount;
        }
        QStringList labels;
        QStringList catalogNumbers;
        for (const QJsonValue& info : release[QLatin1String("label-info")].toArray()) {
            const QString name = info[QLatin1String("label")][QLatin1String("name")].toString();
            const QString number = info[QLatin1String("catalog-number")].toString();
            if (!name.isEmpty() && !labels.contains(name))
                labels << name;
            if (!number.isEmpty() && !catalogNumbers.contains(number))
                catalogNumbers << number;
        }
        match.label = labels.join(QStringLiteral(", "));
        match.catalogNumber = catalogNumbers.join(QStringLiteral(", "));
        match.barcode = release[QLatin1String("barcode")].toString();
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
        medium =
            QCoreApplication::translate("DiscLookup", "%1 %2 of %3")
                .arg(medium.isEmpty() ? QCoreApplication::translate("DiscLookup", "Disc") : medium)
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

QStringList releaseColumnTitles(bool translated) {
    static const char* const titles[] = {
        QT_TRANSLATE_NOOP("musicbrainz", "Title"),
        QT_TRANSLATE_NOOP("musicbrainz", "Artist"),
        QT_TRANSLATE_NOOP("musicbrainz", "Date"),
        QT_TRANSLATE_NOOP("musicbrainz", "Country"),
        QT_TRANSLATE_NOOP("musicbrainz", "Label"),
        QT_TRANSLATE_NOOP("musicbrainz", "Catalogue number"),
        QT_TRANSLATE_NOOP("musicbrainz", "Barcode"),
        QT_TRANSLATE_NOOP("musicbrainz", "Format"),
        QT_TRANSLATE_NOOP("musicbrainz", "Discs")};
    QStringList columns;
    for (const char* title : titles)
        columns << (translated ? QCoreApplication::translate("musicbrainz", title)
                               : QString::fromLatin1(title));
    return columns;
}

QStringList releaseColumns(const ReleaseMatch& match) {
    return {match.disc.album, match.disc.artist, match.disc.date,
            match.country,    match.label,       match.catalogNumber,
            match.barcode,    match.format,      QString::number(match.mediumCount)};
}

Result<std::size_t> chooseRelease(const std::vector<ReleaseMatch>& releases,
                                  const QString& choice) {
    const QString wanted = choice.trimmed();
    bool isNumber = false;
    const qlonglong number = wanted.toLongLong(&isNumber);
    if (isNumber) {
        if (number >= 1 && static_cast<std::size_t>(number) <= releases.size())
            return static_cast<std::size_t>(number - 1);
        return VortanError(
            VortanError::InvalidArgument, errorSource,
            QCoreApplication::translate("musicbrainz",
                                        "There is no release %1: MusicBrainz knows %2 releases "
                                        "of this disc, numbered from 1.")
                .arg(wanted)
                .arg(releases.size()));
    }
    for (std::size_t i = 0; i < releases.size(); ++i)
        if (releases[i].disc.releaseId.compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    return VortanError(VortanError::InvalidArgument, errorSource,
                       QCoreApplication::translate("musicbrainz",
                                                   "\"%1\" is neither the number of a release "
                                                   "nor the MusicBrainz identifier of a release "
                                                   "of this disc (it has %2 releases).")
                           .arg(wanted)
                           .arg(releases.size()));
}

QByteArray userAgent() {
    const QByteArray contact = QByteArrayLiteral(VORTAN_CONTACT);
    const QByteArray program = QByteArrayLiteral("MP3Vortan/" VORTAN_VERSION);
    return contact.isEmpty() ? program : program + " ( " + contact + " )";
}

DiscLookup::DiscLookup(QObject* parent) : QObject(parent) {}

DiscLookup::~DiscLookup() {
    cancel();
}

bool DiscLookup::isRunning() const {
    return pending_.isRunning();
}

void DiscLookup::cancel() {
    pending_.cancel();
}

void DiscLookup::start(const LookupRequest& request, Done done) {
    pending_.begin(std::move(done));
    request_ = request;
    auto server = ServerAddress::parse(request.server);
    if (!server) {
        pending_.failLater(server.error());
        return;
    }
    serverText_ = server->text();
    QNetworkRequest http(discIdUrl(server.value(), request.disc));
    http.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    http.setRawHeader("Accept", "application/json");
    pending_.ask(http, request.timeoutMs, maxAnswerBytes,
                [this](const boundedget::Outcome& outcome) { answered(outcome); });
}

void DiscLookup::answered(const boundedget::Outcome& outcome) {
    using End = boundedget::Outcome::End;
    // The service named in messages; where a redirect led, that too.
    const QString at = outcome.answeredBy(serverText_);
    const auto failed = [this](int number, const QString& text) {
        pending_.finish(VortanError(number, errorSource, text));
    };
    switch (outcome.end) {
    case End::TooLarge:
        return failed(QNetworkReply::ContentAccessDenied,
                      tr("The MusicBrainz service at %1 answered with more than %2 "
                         "MB, which is no disc's information; the answer was not read")
                          .arg(at, QString::number(maxAnswerBytes / (1024 * 1024))));
    case End::TimedOut:
        return failed(QNetworkReply::TimeoutError,
                      tr("The MusicBrainz service at %1 did not answer within %2 "
                         "seconds")
                          .arg(at, QString::number(request_.timeoutMs / 1000.0)));
    case End::Redirected:
        return failed(
            outcome.status,
            tr("The MusicBrainz service at %1 %2").arg(serverText_, printable(outcome.errorText)));
    case End::Unreachable:
        return failed(
            outcome.error,
            tr("The MusicBrainz service at %1 cannot be reached: %2").arg(at, outcome.errorText));
    case End::CutShort:
        return failed(outcome.error,
                      (outcome.status == 0
                           ? tr("The MusicBrainz service at %1 gave no whole answer: %2")
                           : tr("The answer of the MusicBrainz service at %1 is cut "
                                "short (%2)"))
                          .arg(at, outcome.errorText));
    case End::NotHttp:
        return failed(outcome.error, tr("The MusicBrainz service at %1 does not "
                                        "answer as a web server does: %2")
                                         .arg(at, outcome.errorText));
    case End::Answered:
        break;
    }
    const int status = outcome.status;
    if (status == 404) // the service knows no release with this disc
        return pending_.finish(std::vector<ReleaseMatch>{});
    if (status == 503)
        return failed(status, tr("The MusicBrainz service at %1 is busy; try again in "
                                 "a moment")
                                  .arg(at));
    if (status != 200)
        return failed(status, tr("The MusicBrainz service at %1 answered HTTP %2 %3")
                                  .arg(at, QString::number(status), printable(outcome.reasonPhrase))
                                  .trimmed());
    pending_.finish(parseDiscIdAnswer(outcome.body, request_.disc));
}

} // namespace musicbrainz
