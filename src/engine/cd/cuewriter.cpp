#include "engine/cd/cuewriter.h"

#include <algorithm>

namespace cuewriter {

namespace {

QString quoted(QString text) {
    for (QChar& c : text) {
        if (c == QLatin1Char('"'))
            c = QLatin1Char('\'');
        else if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    return QLatin1Char('"') + text + QLatin1Char('"');
}

class Sheet {
  public:
    void line(int indent, const QString& text) {
        text_ += QString(indent, QLatin1Char(' ')) + text + QLatin1Char('\n');
    }
    void textLine(int indent, const char* keyword, const QString& value) {
        if (!value.isEmpty())
            line(indent, QLatin1String(keyword) + QLatin1Char(' ') + quoted(value));
    }
    void file(const QString& name, const QString& type) {
        line(0, QStringLiteral("FILE %1 %2").arg(quoted(name), type));
    }
    void index(int number, std::int32_t sectors) {
        line(4,
             QStringLiteral("INDEX %1 %2").arg(number, 2, 10, QLatin1Char('0')).arg(msf(sectors)));
    }
    QByteArray bytes() const { return text_.toUtf8(); }

  private:
    QString text_;
};

} // namespace

QString msf(std::int32_t sectors) {
    sectors = std::max<std::int32_t>(sectors, 0);
    return QStringLiteral("%1:%2:%3")
        .arg(sectors / (75 * 60), 2, 10, QLatin1Char('0'))
        .arg(sectors / 75 % 60, 2, 10, QLatin1Char('0'))
        .arg(sectors % 75, 2, 10, QLatin1Char('0'));
}

QByteArray write(const Disc& disc) {
    Sheet sheet;
    sheet.textLine(0, "REM COMMENT", disc.comment);
    if (!disc.catalog.isEmpty())
        sheet.line(0, QStringLiteral("CATALOG ") + disc.catalog);
    sheet.textLine(0, "PERFORMER", disc.performer);
    sheet.textLine(0, "TITLE", disc.title);
    if (disc.discNumber > 0) {
        sheet.line(0, QStringLiteral("REM DISCNUMBER %1").arg(disc.discNumber));
        sheet.line(0, QStringLiteral("REM TOTALDISCS %1").arg(disc.discTotal));
    }
    for (std::size_t i = 0; i < disc.tracks.size(); ++i) {
        const Track& track = disc.tracks[i];
        const QString number = QStringLiteral("%1").arg(track.number, 2, 10, QLatin1Char('0'));
        if (track.file.isEmpty()) {
            sheet.line(
                0, QStringLiteral("REM TRACK %1 %2")
                       .arg(number, quoted(track.result + QStringLiteral(": no file was kept"))));
            continue;
        }
        const Track* previous =
            i > 0 && !disc.tracks[i - 1].file.isEmpty() ? &disc.tracks[i - 1] : nullptr;
        // The pregap lies in the file before this track's own: the hidden track's for the
        // first track, else the previous track's.
        const bool pregapInFile = track.pregapSectors > 0 && track.pregapInPreviousFile &&
                                  (previous || !disc.hiddenTrackFile.isEmpty());
        if (!previous && pregapInFile)
            sheet.file(disc.hiddenTrackFile, disc.fileType);
        if (!pregapInFile)
            sheet.file(track.file, disc.fileType);
        sheet.line(2, QStringLiteral("TRACK %1 AUDIO").arg(number));
        sheet.textLine(4, "REM RESULT", track.result);
        sheet.textLine(4, "TITLE", track.title);
        sheet.textLine(4, "PERFORMER", track.performer);
        if (!track.isrc.isEmpty())
            sheet.line(4, QStringLiteral("ISRC ") + track.isrc);
        if (pregapInFile) {
            sheet.index(0, previous ? previous->fileSectors - track.pregapSectors : 0);
            sheet.file(track.file, disc.fileType);
        } else if (track.pregapSectors > 0) {
            sheet.line(4, QStringLiteral("PREGAP ") + msf(track.pregapSectors));
        }
        sheet.index(1, 0);
        for (std::size_t k = 0; k < track.laterIndexes.size(); ++k)
            sheet.index(static_cast<int>(k) + 2, track.laterIndexes[k]);
    }
    return sheet.bytes();
}

} // namespace cuewriter
