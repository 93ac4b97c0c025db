#include "engine/core/settings.h"

#include "engine/core/paths.h"

#include <QSettings>
#include <QThread>

#include <algorithm>

std::int16_t AudioFormat = 0;
std::int16_t EncodingQuality = 0;
std::int16_t EncodingBitrate = 0;
std::int16_t HDWarning = 0;
std::int16_t HDWarningNo = 0;
std::int16_t HDStopDecoding = 0;
std::int16_t HDStopNo = 0;
QString DecodePath;
std::int16_t DesktopIcon = 0;
std::int16_t MinimizeOnStart = 0;
std::int16_t DeleteWav = 0;
std::int16_t ShowFullPath = 0;
std::int16_t EncodeAfterExtracting = 0;
std::int16_t MuteButton = 0;
std::int16_t FilesAtOnce = 1;
std::int16_t TestAndCopy = 0;
QString MusicBrainzServer;
QString AccurateRipServer;
std::int16_t NameFromDisc = 0;
QString ConvertAudioTo;
std::int16_t FlacLevel = 5;
std::int16_t OpusBitrateKbps = 128;
QString ExtractTo;
QString AlsoWrite;
std::int16_t DesktopNotifications = 1;
QString ConvertFolderSources;
QString ConvertFolderDestination;
QString ConvertFolderFormat;
QString ConvertFolderSetting;
std::int16_t ConvertFolderRemoveOrphans = 0;
std::int16_t ConvertFolderPortableNames = 0;
QString CoverArtServer;
QString CoverArtSize;
std::int16_t SaveCoverFile = 1;
QString RipReadMode;
std::int16_t MinimumConfidence = 2;
std::int16_t ReadRetryLimit = 20;
QString FileNameTemplate;

namespace {

struct KeyInfo {
    const char* name;
    const char* defaultText; // nullptr: computed (see settings::defaultText)
    std::int16_t* number;    // nullptr for a text key
    QString* text;           // the variable of a text key
};

const KeyInfo& info(SettingKey key) {
    static const KeyInfo table[SettingKeyCount] = {
        {"Audio format", "1", &AudioFormat, nullptr},
        {"Encoding quality", "5", &EncodingQuality, nullptr},
        {"Encoding bitrate", "5", &EncodingBitrate, nullptr},
        {"HDWarning", "1", &HDWarning, nullptr},
        {"HDWarningNo", "100", &HDWarningNo, nullptr},
        {"HDstopdecoding", "1", &HDStopDecoding, nullptr},
        {"HDStopNo", "50", &HDStopNo, nullptr},
        {"DecodePath", nullptr, nullptr, &DecodePath},
        {"desktop icon", "0", &DesktopIcon, nullptr},
        {"minimize onstart", "0", &MinimizeOnStart, nullptr},
        {"Delete WAV", "1", &DeleteWav, nullptr},
        {"show full path", "1", &ShowFullPath, nullptr},
        {"encode after extracting", "1", &EncodeAfterExtracting, nullptr},
        {"mute button", "1", &MuteButton, nullptr},
        {"Files at once", nullptr, &FilesAtOnce, nullptr},
        {"Test and copy", "0", &TestAndCopy, nullptr},
        {"MusicBrainz server", "musicbrainz.org:443", nullptr, &MusicBrainzServer},
        {"Name from disc information", "0", &NameFromDisc, nullptr},
        {"AccurateRip server", "www.accuraterip.com:80", nullptr, &AccurateRipServer},
        {"Convert audio files to", "mp3", nullptr, &ConvertAudioTo},
        {"FLAC compression level", "5", &FlacLevel, nullptr},
        {"Opus bitrate", "128", &OpusBitrateKbps, nullptr},
        {"Extract to", "mp3", nullptr, &ExtractTo},
        {"Also write", "", nullptr, &AlsoWrite},
        {"Desktop notifications", "1", &DesktopNotifications, nullptr},
        {"Convert folder sources", "", nullptr, &ConvertFolderSources},
        {"Convert folder destination", "", nullptr, &ConvertFolderDestination},
        {"Convert folder format", "", nullptr, &ConvertFolderFormat},
        {"Convert folder setting", "", nullptr, &ConvertFolderSetting},
        {"Convert folder remove outputs", "0", &ConvertFolderRemoveOrphans, nullptr},
        {"Convert folder portable names", "0", &ConvertFolderPortableNames, nullptr},
        {"Cover art server", "https://coverartarchive.org", nullptr, &CoverArtServer},
        {"Cover art size", "500", nullptr, &CoverArtSize},
        {"Save cover file", "1", &SaveCoverFile, nullptr},
        {"Read mode", "secure", nullptr, &RipReadMode},
        {"Minimum confidence", "2", &MinimumConfidence, nullptr},
        {"Read retry limit", "20", &ReadRetryLimit, nullptr},
        {"File names", "", nullptr, &FileNameTemplate},
    };
    return table[static_cast<int>(key)];
}

QSettings store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     QString::fromLatin1(settings::applicationName));
}

QString fullKey(SettingKey key) {
    return QString::fromLatin1(settings::sectionName) + QLatin1Char('/') + settings::keyName(key);
}

void applyText(SettingKey key, const QString& text) {
    const KeyInfo& k = info(key);
    if (k.text) {
        *k.text = text;
        return;
    }
    if (auto value = settings::toInt16(text))
        *k.number = *value;
}

} // namespace

namespace settings {

QString keyName(SettingKey key) {
    return QString::fromLatin1(info(key).name);
}

QString defaultText(SettingKey key) {
    if (key == SettingKey::FilesAtOnce)
        return QString::number(std::clamp(QThread::idealThreadCount(), 1, maxFilesAtOnce));
    const KeyInfo& k = info(key);
    return k.defaultText ? QString::fromLatin1(k.defaultText) : ProgramFolder();
}

QString readText(SettingKey key, const QString& fallback) {
    return store().value(fullKey(key), fallback).toString();
}

void saveText(SettingKey key, const QString& text) {
    QSettings s = store();
    s.setValue(fullKey(key), text);
    s.sync();
}

std::optional<std::int16_t> toInt16(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok || value < INT16_MIN || value > INT16_MAX)
        return std::nullopt;
    return static_cast<std::int16_t>(value);
}

namespace {
// Each entry "discId releaseId", the disc chosen last first.
const QString chosenReleasesKey = QStringLiteral("Releases/chosen");
} // namespace

QString chosenRelease(const QString& discId) {
    if (discId.isEmpty())
        return {};
    const QStringList entries = store().value(chosenReleasesKey).toStringList();
    for (const QString& entry : entries)
        if (entry.section(QLatin1Char(' '), 0, 0) == discId)
            return entry.section(QLatin1Char(' '), 1);
    return {};
}

void rememberRelease(const QString& discId, const QString& releaseId) {
    if (discId.isEmpty() || discId.contains(QLatin1Char(' ')))
        return;
    QSettings s = store();
    QStringList entries = s.value(chosenReleasesKey).toStringList();
    entries.removeIf([&discId](const QString& entry) {
        return entry.section(QLatin1Char(' '), 0, 0) == discId;
    });
    entries.prepend(discId + QLatin1Char(' ') + releaseId);
    while (entries.size() > maxRememberedReleases)
        entries.removeLast();
    s.setValue(chosenReleasesKey, entries);
    s.sync();
}

} // namespace settings

void LoadSettings() {
    for (int i = 0; i < SettingKeyCount; ++i) {
        const auto key = static_cast<SettingKey>(i);
        applyText(key, settings::readText(key, settings::defaultText(key)));
    }
}

void WriteSetting(SettingKey key, const QString& text) {
    settings::saveText(key, text);
    applyText(key, text);
}

void WriteSetting(SettingKey key, std::int16_t value) {
    WriteSetting(key, QString::number(value));
}

int filesAtOnce() {
    return std::clamp<int>(FilesAtOnce, 1, maxFilesAtOnce);
}
