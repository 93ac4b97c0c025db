#include "platform/mci/mci.h"

#include "platform/akrip/cddrives.h"

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace mci {

namespace {

// The words of a command: runs of non-blank characters, or "quoted text" (a path with
// spaces), quotes removed.
struct Words {
    std::vector<QString> items;

    static Words split(const QString& command) {
        Words words;
        qsizetype i = 0;
        const qsizetype n = command.size();
        while (i < n) {
            while (i < n && command[i].isSpace())
                ++i;
            if (i >= n)
                break;
            if (command[i] == QLatin1Char('"')) {
                const qsizetype close = command.indexOf(QLatin1Char('"'), i + 1);
                const qsizetype end = close < 0 ? n : close;
                words.items.push_back(command.mid(i + 1, end - i - 1));
                i = end + 1;
            } else {
                const qsizetype start = i;
                while (i < n && !command[i].isSpace())
                    ++i;
                words.items.push_back(command.mid(start, i - start));
            }
        }
        return words;
    }
    std::size_t size() const { return items.size(); }
    bool empty() const { return items.empty(); }
    // Word `i` is the keyword `keyword` (case-insensitive).
    bool is(std::size_t i, const char* keyword) const {
        return i < items.size() &&
               items[i].compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
    }
    // The words from `i` on are exactly `keywords`.
    bool are(std::size_t i, std::initializer_list<const char*> keywords) const {
        if (items.size() - std::min(i, items.size()) != keywords.size())
            return false;
        for (const char* keyword : keywords)
            if (!is(i++, keyword))
                return false;
        return true;
    }
    Words from(std::size_t i) const {
        Words rest;
        if (i < items.size())
            rest.items.assign(items.begin() + static_cast<std::ptrdiff_t>(i), items.end());
        return rest;
    }
};

// What a command answers: its code, and its text when it has one.
struct Answer {
    std::uint32_t code = Success;
    std::optional<QString> text;
};

Answer failure(std::uint32_t code) {
    return Answer{code, std::nullopt};
}

Answer text(const QString& value) {
    return Answer{Success, value};
}

// One open device. Each device type answers the commands sent to its alias.
class Device {
  public:
    virtual ~Device() = default;
    // `verb` in lower case; `words` follow the alias.
    virtual Answer run(const QString& verb, const Words& words) = 0;
};

// "cdaudio": the disc in the media drive. Its table of contents is read when the device is
// opened, so a disc changed since is seen after a close and a new open, as with a drive
// opened once for a listing.
class CdAudio final : public Device {
  public:
    static std::unique_ptr<Device> open(Answer& answer) {
        const int drive = cddrives::mediaDrive();
        if (drive < 0) {
            answer = failure(InvalidDeviceName);
            return nullptr;
        }
        // An empty drive opens, as a real one does: it has no tracks and no identity.
        auto toc = cddrives::readToc(drive);
        return std::unique_ptr<Device>(
            new CdAudio(toc ? std::optional(toc.value()) : std::nullopt));
    }

    Answer run(const QString& verb, const Words& words) override {
        if (verb == QLatin1String("stop")) // nothing plays yet
            return words.empty() ? Answer{} : failure(UnrecognizedKeyword);
        if (verb == QLatin1String("set"))
            return set(words);
        if (verb == QLatin1String("status"))
            return status(words);
        if (verb == QLatin1String("info")) {
            if (!words.are(0, {"identity"}))
                return failure(words.empty() ? MissingParameter : UnrecognizedKeyword);
            if (!toc_)
                return failure(NoMedia);
            return text(QString::number(cddrives::freedbDiscId(*toc_)));
        }
        return failure(UnrecognizedCommand);
    }

  private:
    // Lengths are given in milliseconds unless "set <alias> time format hms" asks for "m:ss".
    enum class TimeFormat { Milliseconds, Hms };

    explicit CdAudio(std::optional<cddrives::DiscToc> toc) : toc_(std::move(toc)) {}

    Answer set(const Words& words) {
        if (!words.is(0, "time") || !words.is(1, "format"))
            return failure(words.empty() ? MissingParameter : UnrecognizedKeyword);
        if (words.size() < 3)
            return failure(MissingParameter);
        if (words.size() > 3)
            return failure(UnrecognizedKeyword);
        if (words.is(2, "hms"))
            format_ = TimeFormat::Hms;
        else if (words.is(2, "milliseconds") || words.is(2, "ms"))
            format_ = TimeFormat::Milliseconds;
        else
            return failure(BadTimeFormat);
        return {};
    }

    Answer status(const Words& words) {
        if (words.empty())
            return failure(MissingParameter);
        if (words.are(0, {"number", "of", "tracks"}))
            return text(QString::number(toc_ ? toc_->trackCount() : 0));
        if (!words.is(0, "length"))
            return failure(UnrecognizedKeyword);
        if (words.size() == 1) {
            if (!toc_)
                return failure(NoMedia);
            return text(length(toc_->leadOutLba - toc_->trackStartLba.front()));
        }
        if (!words.is(1, "track"))
            return failure(UnrecognizedKeyword);
        if (words.size() < 3)
            return failure(MissingParameter);
        if (words.size() > 3)
            return failure(UnrecognizedKeyword);
        bool isNumber = false;
        const int track = words.items[2].toInt(&isNumber);
        if (!isNumber)
            return failure(BadInteger);
        if (!toc_)
            return failure(NoMedia);
        const int index = track - toc_->firstTrack;
        if (index < 0 || index >= toc_->trackCount())
            return failure(OutOfRange);
        return text(length(toc_->trackSectors(index)));
    }

    // A length of `sectors` (75 a second) in the current format: "m:ss" rounded down to whole
    // seconds, or whole milliseconds rounded down.
    QString length(std::int64_t sectors) const {
        if (format_ == TimeFormat::Milliseconds)
            return QString::number(sectors * 1000 / 75);
        const std::int64_t seconds = sectors / 75;
        return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    }

    std::optional<cddrives::DiscToc> toc_;
    TimeFormat format_ = TimeFormat::Milliseconds;
};

using DeviceOpener = std::function<std::unique_ptr<Device>(Answer&)>;

// The device types "open" knows, by name.
const std::map<QString, DeviceOpener>& deviceTypes() {
    static const std::map<QString, DeviceOpener> types{
        {QStringLiteral("cdaudio"), &CdAudio::open},
    };
    return types;
}

// Open devices by alias (lower case: aliases are case-insensitive).
std::map<QString, std::unique_ptr<Device>>& devices() {
    static std::map<QString, std::unique_ptr<Device>> open;
    return open;
}

// "open <device> [type <type>] [alias <alias>] [shareable]"
Answer openDevice(const Words& words) {
    if (words.size() < 2)
        return failure(MissingParameter);
    QString type = words.items[1].toLower();
    QString alias = type;
    for (std::size_t i = 2; i < words.size(); ++i) {
        if (words.is(i, "shareable"))
            continue;
        const bool takesValue = words.is(i, "alias") || words.is(i, "type");
        if (!takesValue)
            return failure(UnrecognizedKeyword);
        if (i + 1 >= words.size())
            return failure(MissingParameter);
        (words.is(i, "alias") ? alias : type) = words.items[i + 1].toLower();
        ++i;
    }
    const auto opener = deviceTypes().find(type);
    if (opener == deviceTypes().end())
        return failure(InvalidDeviceName);
    if (devices().count(alias))
        return failure(DeviceOpen);
    Answer answer;
    auto device = opener->second(answer);
    if (device)
        devices()[alias] = std::move(device);
    return answer;
}

Answer execute(const QString& command) {
    Words words = Words::split(command);
    // "wait" and "notify" ask how to wait for the end: every command here ends before it
    // returns.
    for (std::size_t i = words.size(); i-- > 2;)
        if (words.is(i, "wait") || words.is(i, "notify"))
            words.items.erase(words.items.begin() + static_cast<std::ptrdiff_t>(i));
    if (words.empty())
        return failure(MissingCommandString);
    const QString verb = words.items[0].toLower();
    if (verb == QLatin1String("open"))
        return openDevice(words);
    if (words.size() < 2)
        return failure(MissingParameter);
    const QString alias = words.items[1].toLower();
    if (verb == QLatin1String("close") && alias == QLatin1String("all") && words.size() == 2) {
        closeAll();
        return {};
    }
    const auto device = devices().find(alias);
    if (device == devices().end())
        return failure(InvalidDeviceId);
    if (verb == QLatin1String("close")) {
        if (words.size() > 2)
            return failure(UnrecognizedKeyword);
        devices().erase(device);
        return {};
    }
    return device->second->run(verb, words.from(2));
}

} // namespace

std::uint32_t mciSendStringA(const char* command, char* reply, std::uint32_t replyLength,
                             void* /*callbackWindow*/) {
    if (!command)
        return MissingCommandString;
    const Answer answer = execute(QString::fromUtf8(command));
    if (answer.code != Success || !answer.text || !reply)
        return answer.code;
    const QByteArray bytes = answer.text->toUtf8();
    if (static_cast<std::uint64_t>(bytes.size()) + 1 > replyLength)
        return ParamOverflow;
    std::memcpy(reply, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    reply[bytes.size()] = '\0';
    return Success;
}

QString replyText(const char* reply, std::uint32_t replyLength) {
    if (!reply)
        return {};
    const void* zero = std::memchr(reply, 0, replyLength);
    if (!zero)
        return {};
    return QString::fromUtf8(reply, static_cast<const char*>(zero) - reply);
}

Reply send(const QString& command) {
    char buffer[64] = {};
    Reply reply;
    reply.code = mciSendStringA(command.toUtf8().constData(), buffer, sizeof buffer, nullptr);
    reply.text = replyText(buffer, sizeof buffer);
    return reply;
}

void closeAll() {
    devices().clear();
}

} // namespace mci
