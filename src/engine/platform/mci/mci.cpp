#include "engine/platform/mci/mci.h"

#include "engine/platform/mci/device.h"

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>

namespace mci {

namespace {

using namespace detail;

// Opens a device of a type; `element` is what the open names inside it (a file, "new"),
// empty when nothing. Sets `answer` and returns null when it cannot be opened.
using DeviceOpener = std::function<std::unique_ptr<Device>(const QString& element, Answer&)>;

// The device types "open" knows, by name.
const std::map<QString, DeviceOpener>& deviceTypes() {
    static const std::map<QString, DeviceOpener> types{
        {QStringLiteral("cdaudio"), &openCdAudio},
        {QStringLiteral("waveaudio"), &openWaveAudio},
        {QStringLiteral("sequencer"), &openSequencer},
    };
    return types;
}

// Open devices by alias (lower case: aliases are case-insensitive).
std::map<QString, std::unique_ptr<Device>>& devices() {
    static std::map<QString, std::unique_ptr<Device>> open;
    return open;
}

// "open <device> [type <type>] [alias <alias>] [shareable]", where <device> is a type
// ("cdaudio"), a type and an element ("waveaudio!<path>"), or with "type" an element alone
// ("new", a path). The options are read from the end, so a path may contain spaces.
Answer openDevice(const Words& words) {
    if (words.size() < 2)
        return failure(MissingParameter);
    std::optional<QString> type;
    std::optional<QString> alias;
    std::size_t end = words.size();
    while (end > 2) {
        if (words.is(end - 1, "shareable")) {
            --end;
            continue;
        }
        if (words.is(end - 1, "alias") || words.is(end - 1, "type"))
            return failure(MissingParameter);
        const bool isAlias = words.is(end - 2, "alias");
        if (!isAlias && !words.is(end - 2, "type"))
            break;
        std::optional<QString>& option = isAlias ? alias : type;
        if (option)
            return failure(UnrecognizedKeyword);
        option = words.items[end - 1];
        end -= 2;
    }
    const QString device = words.joined(1, end);
    QString element;
    if (type) {
        element = device;
    } else {
        const qsizetype bang = device.indexOf(QLatin1Char('!'));
        type = bang < 0 ? device : device.left(bang);
        element = bang < 0 ? QString() : device.mid(bang + 1);
    }
    const QString typeName = type->toLower();
    const QString key = alias ? alias->toLower() : typeName;
    const auto opener = deviceTypes().find(typeName);
    if (opener == deviceTypes().end())
        return failure(InvalidDeviceName);
    if (devices().count(key))
        return failure(DeviceOpen);
    Answer answer;
    auto opened = opener->second(element, answer);
    if (opened)
        devices()[key] = std::move(opened);
    return answer;
}

Answer execute(const QString& command) {
    Words words = Words::split(command);
    // "notify" asks to be told of the end: nobody is. "wait" makes a play return when it has
    // ended; every other command ends before it returns anyway.
    bool wait = false;
    for (std::size_t i = words.size(); i-- > 2;) {
        if (words.is(i, "wait") || words.is(i, "notify")) {
            wait = wait || words.is(i, "wait");
            words.erase(i);
        }
    }
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
        devices().erase(device); // stops what it plays or records
        return {};
    }
    Answer answer = device->second->run(verb, words.from(2));
    if (wait && verb == QLatin1String("play") && answer.code == Success)
        device->second->waitForEnd();
    return answer;
}

} // namespace

namespace {
CommandObserver& observer() {
    static CommandObserver current;
    return current;
}
} // namespace

CommandObserver setCommandObserver(CommandObserver next) {
    return std::exchange(observer(), std::move(next));
}

std::uint32_t mciSendStringA(const char* command, char* reply, std::uint32_t replyLength,
                             void* /*callbackWindow*/) {
    if (!command)
        return MissingCommandString;
    const QString text = QString::fromUtf8(command);
    const Answer answer = execute(text);
    if (observer().answered)
        observer().answered(text, answer.code);
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
