#include "engine/platform/mci/device.h"

namespace mci::detail {

Words Words::split(const QString& command) {
    Words words;
    words.text = command;
    qsizetype i = 0;
    const qsizetype n = command.size();
    while (i < n) {
        while (i < n && command[i].isSpace())
            ++i;
        if (i >= n)
            break;
        const qsizetype start = i;
        if (command[i] == QLatin1Char('"')) {
            const qsizetype close = command.indexOf(QLatin1Char('"'), i + 1);
            const qsizetype end = close < 0 ? n : close;
            words.items.push_back(command.mid(i + 1, end - i - 1));
            i = end + 1;
        } else {
            while (i < n && !command[i].isSpace())
                ++i;
            words.items.push_back(command.mid(start, i - start));
        }
        words.spans.emplace_back(start, std::min(i, n));
    }
    return words;
}

QString formatTime(std::int64_t ms, TimeFormat format) {
    if (format == TimeFormat::Milliseconds)
        return QString::number(ms);
    const std::int64_t seconds = ms / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

std::optional<std::int64_t> parseTime(const QString& value, TimeFormat format) {
    const QStringList parts = value.split(QLatin1Char(':'));
    if (parts.size() > (format == TimeFormat::Hms ? 3 : 1))
        return std::nullopt;
    std::int64_t total = 0;
    for (const QString& part : parts) {
        bool isNumber = false;
        const qlonglong number = part.toLongLong(&isNumber);
        if (!isNumber || number < 0)
            return std::nullopt;
        total = total * 60 + number;
    }
    return format == TimeFormat::Hms ? total * 1000 : total;
}

std::optional<Answer> setTimeFormat(const Words& words, TimeFormat& format) {
    if (!words.is(0, "time") || !words.is(1, "format"))
        return std::nullopt;
    if (words.size() < 3)
        return failure(MissingParameter);
    if (words.size() > 3)
        return failure(UnrecognizedKeyword);
    if (words.is(2, "hms"))
        format = TimeFormat::Hms;
    else if (words.is(2, "milliseconds") || words.is(2, "ms"))
        format = TimeFormat::Milliseconds;
    else
        return failure(BadTimeFormat);
    return Answer{};
}

std::optional<PlayRange> parsePlayRange(const Words& words, TimeFormat format, Answer& error) {
    PlayRange range;
    for (std::size_t i = 0; i < words.size(); i += 2) {
        const bool isFrom = words.is(i, "from");
        if (!isFrom && !words.is(i, "to")) {
            error = failure(UnrecognizedKeyword);
            return std::nullopt;
        }
        if (i + 1 >= words.size()) {
            error = failure(MissingParameter);
            return std::nullopt;
        }
        const auto ms = parseTime(words.items[i + 1], format);
        if (!ms) {
            error = failure(BadInteger);
            return std::nullopt;
        }
        (isFrom ? range.fromMs : range.toMs) = *ms;
    }
    return range;
}

Answer stopOrSetTime(const QString& verb, const Words& words, Playback& playback,
                     TimeFormat& format) {
    if (verb == QLatin1String("stop")) {
        if (!words.empty())
            return failure(UnrecognizedKeyword);
        playback.stop();
        return {};
    }
    if (auto answer = setTimeFormat(words, format))
        return *answer;
    return failure(words.empty() ? MissingParameter : UnrecognizedKeyword);
}

} // namespace mci::detail
