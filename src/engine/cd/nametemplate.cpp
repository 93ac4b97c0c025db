#include "engine/cd/nametemplate.h"

#include "engine/formats/outputfile.h"
#include "engine/library/mirrornames.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <utility>

namespace nametemplate {

namespace {

const QString errorSource = QStringLiteral("File names");

struct FieldName {
    const char16_t* name;
    Field field;
};

constexpr std::array<FieldName, 9> fieldNames{{{u"albumartist", Field::AlbumArtist},
                                               {u"artist", Field::Artist},
                                               {u"album", Field::Album},
                                               {u"year", Field::Year},
                                               {u"disc", Field::Disc},
                                               {u"discs", Field::Discs},
                                               {u"track", Field::Track},
                                               {u"title", Field::Title},
                                               {u"isrc", Field::Isrc}}};

VortanError fault(const QString& text) {
    return VortanError(VortanError::InvalidArgument, errorSource, text);
}

bool blankOrDot(QChar c) {
    return c.isSpace() || c == QLatin1Char('.');
}

// `name` without blanks and dots at either end.
QString trimmed(QStringView name) {
    qsizetype first = 0;
    qsizetype end = name.size();
    while (first < end && blankOrDot(name[first]))
        ++first;
    while (end > first && blankOrDot(name[end - 1]))
        --end;
    return name.mid(first, end - first).toString();
}

// `value` as it may go into a name: no longer than a name can be, "/" and control
// characters made "_".
QString safeValue(const QString& value) {
    QString safe = value.left(outputfile::fittingLength(value, maxComponentBytes));
    for (QChar& c : safe)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QLatin1Char('/'))
            c = QLatin1Char('_');
    return safe;
}

// One name between "/" made ready: trimmed, portable when asked, within `maxBytes` (cut by
// whole characters), trimmed again where the cut left a blank or dot at its end.
QString finishedName(const QString& name, bool portable, qsizetype maxBytes) {
    QString done = trimmed(name);
    if (done.isEmpty())
        return done;
    if (portable)
        done = mirrornames::portable(done);
    done.truncate(outputfile::fittingLength(done, std::max<qsizetype>(maxBytes, 0)));
    return trimmed(done);
}

} // namespace

const QString& Values::of(Field field) const {
    switch (field) {
    case Field::AlbumArtist:
        return albumArtist;
    case Field::Artist:
        return artist;
    case Field::Album:
        return album;
    case Field::Year:
        return year;
    case Field::Disc:
        return disc;
    case Field::Discs:
        return discs;
    case Field::Track:
        return track;
    case Field::Title:
        return title;
    case Field::Isrc:
        return isrc;
    }
    return title;
}

Values valuesOf(const DiscInfo& disc, int track, const QString& isrc) {
    Values values;
    values.albumArtist = disc.artist;
    values.artist = disc.trackArtist(track);
    values.album = disc.album;
    if (disc.year() > 0)
        values.year = QString::number(disc.year());
    if (disc.discTotal > 1 && disc.discNumber >= 1) {
        values.disc = QString::number(disc.discNumber);
        values.discs = QString::number(disc.discTotal);
    }
    values.track = QStringLiteral("%1").arg(track, 2, 10, QLatin1Char('0'));
    if (const TrackInfo* info = disc.track(track))
        values.title = info->title;
    values.isrc = isrc;
    return values;
}

Result<Template> Template::parse(const QString& text) {
    Template parsed;
    int group = -1;
    qsizetype groupStart = 0;
    QString literal;
    const auto flush = [&parsed, &literal, &group] {
        if (!literal.isEmpty())
            parsed.pieces_.push_back(Piece{Piece::Kind::Text, literal, Field::Title, group});
        literal.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const QString position = QString::number(i + 1);
        if (c == QLatin1Char('{')) {
            const qsizetype close = text.indexOf(QLatin1Char('}'), i + 1);
            if (close < 0)
                return fault(QCoreApplication::translate("nametemplate",
                                                         "The field opened at position %1 is never "
                                                         "closed with \"}\".")
                                 .arg(position));
            const QStringView name = QStringView(text).mid(i + 1, close - i - 1);
            const auto known =
                std::find_if(fieldNames.begin(), fieldNames.end(), [name](const FieldName& f) {
                    return name.compare(QStringView(f.name), Qt::CaseInsensitive) == 0;
                });
            if (known == fieldNames.end())
                return fault(QCoreApplication::translate(
                                 "nametemplate",
                                 "There is no field {%1} (at position %2). The fields are "
                                 "{albumartist}, {artist}, {album}, {year}, {disc}, {discs}, "
                                 "{track}, {title} and {isrc}.")
                                 .arg(name.left(40).toString(), position));
            flush();
            parsed.pieces_.push_back(Piece{Piece::Kind::Field, {}, known->field, group});
            i = close;
        } else if (c == QLatin1Char('}')) {
            return fault(QCoreApplication::translate("nametemplate",
                                                     "The \"}\" at position %1 closes no field.")
                             .arg(position));
        } else if (c == QLatin1Char('[')) {
            if (group >= 0)
                return fault(QCoreApplication::translate("nametemplate",
                                                         "The \"[\" at position %1 is inside the "
                                                         "brackets opened at position %2; brackets "
                                                         "cannot be nested.")
                                 .arg(position)
                                 .arg(groupStart + 1));
            flush();
            group = parsed.groups_++;
            groupStart = i;
        } else if (c == QLatin1Char(']')) {
            if (group < 0)
                return fault(QCoreApplication::translate(
                                 "nametemplate", "The \"]\" at position %1 closes no \"[\".")
                                 .arg(position));
            flush();
            group = -1;
        } else if (c == QLatin1Char('/')) {
            flush();
            parsed.pieces_.push_back(Piece{Piece::Kind::Separator, {}, Field::Title, group});
        } else {
            literal += c;
        }
    }
    if (group >= 0)
        return fault(QCoreApplication::translate(
                         "nametemplate", "The \"[\" at position %1 is never closed with \"]\".")
                         .arg(groupStart + 1));
    flush();
    return parsed;
}

QString Template::render(const Values& values, const QString& extension, bool portable) const {
    // A bracket stays only when every field in it has a value.
    std::vector<bool> kept(static_cast<std::size_t>(groups_), true);
    for (const Piece& piece : pieces_)
        if (piece.kind == Piece::Kind::Field && piece.group >= 0 &&
            values.of(piece.field).isEmpty())
            kept[static_cast<std::size_t>(piece.group)] = false;

    QStringList names{QString()};
    for (const Piece& piece : pieces_) {
        if (piece.group >= 0 && !kept[static_cast<std::size_t>(piece.group)])
            continue;
        switch (piece.kind) {
        case Piece::Kind::Text:
            names.last() += piece.text;
            break;
        case Piece::Kind::Field:
            names.last() += safeValue(values.of(piece.field));
            break;
        case Piece::Kind::Separator:
            names.append(QString());
            break;
        }
        // A name longer than any a disk takes will be cut: what comes after cannot reach it.
        if (names.last().size() > 4 * maxComponentBytes)
            names.last().truncate(4 * maxComponentBytes);
    }
    const QString fileName = names.takeLast();
    QStringList path;
    for (const QString& folder : std::as_const(names))
        if (QString name = finishedName(folder, portable, maxComponentBytes); !name.isEmpty())
            path << name;
    const QString stem =
        finishedName(fileName, portable, maxComponentBytes - extension.toUtf8().size());
    if (stem.isEmpty())
        return {};
    path << stem + extension;
    return path.join(QLatin1Char('/'));
}

} // namespace nametemplate
