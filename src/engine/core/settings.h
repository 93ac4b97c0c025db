#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// The per-user preference store and its process-wide copies.
//
// Store: QSettings organisation "MP3 Vortan v2.0", group "Settings"; every value is text,
// numbers in plain decimal. The variables below are written by LoadSettings() and by
// WriteSetting(), and a few besides by the code that owns them: DecodePath by whoever settles
// the destination (createDestination stores it), EncodingBitrate and EncodingQuality by the
// preferences window's lists (stored when it closes), and EncodingBitrate again from the
// store before each file encoded (fileEncoderConfig). Read everywhere else. GUI thread only
// (workers get copies).

extern std::int16_t AudioFormat;
extern std::int16_t EncodingQuality;
extern std::int16_t EncodingBitrate;
extern std::int16_t HDWarning;
extern std::int16_t HDWarningNo;
extern std::int16_t HDStopDecoding;
extern std::int16_t HDStopNo;
extern QString DecodePath;
extern std::int16_t DesktopIcon;
extern std::int16_t MinimizeOnStart;
extern std::int16_t DeleteWav;
extern std::int16_t ShowFullPath;
extern std::int16_t EncodeAfterExtracting;
extern std::int16_t MuteButton;
// Files a WAV or MP3 batch converts at once; use filesAtOnce().
extern std::int16_t FilesAtOnce;
// 1: CD extraction reads each track twice, a test pass then the copy (see the rip log).
extern std::int16_t TestAndCopy;
// "host:port" of the MusicBrainz web service that disc look-ups ask (see
// musicbrainz::ServerAddress for the scheme each form gets).
extern QString MusicBrainzServer;
// "host:port" of the AccurateRip database that rips are checked against (plain HTTP, as the
// public service answers; a loopback address for tests and mirrors).
extern QString AccurateRipServer;
// 1: ripped files are named "NN - Title.ext" after the disc's information, when it names the
// track (see trackFileName).
extern std::int16_t NameFromDisc;
// The format Start converts audio files (neither WAV nor MP3) to, by its extension name
// ("mp3", "flac", "opus", "wav"; see pipeline::outputFormatFromName).
extern QString ConvertAudioTo;
// FLAC compression level, 0 (fastest) to 8 (smallest).
extern std::int16_t FlacLevel;
// Opus bitrate in kbit/s, 6 to 510.
extern std::int16_t OpusBitrateKbps;
// The CD bar's "Extract to" format, by its extension name.
extern QString ExtractTo;
// The formats the CD bar's "Also write" boxes write beside the "Extract to" one: their
// extension names separated by blanks ("mp3 flac"), each at most once; empty: none.
extern QString AlsoWrite;
// 1: a desktop notification says how a batch or rip went when it ends while the window is
// not the active one.
extern std::int16_t DesktopNotifications;
// The last choices of "Convert Folder...": the source folders (one a line), the destination,
// the format by its extension name and the bitrate or level chosen for it ("" for each: not
// chosen yet, Preferences' choices apply), and the two boxes (1 checked).
extern QString ConvertFolderSources;
extern QString ConvertFolderDestination;
extern QString ConvertFolderFormat;
extern QString ConvertFolderSetting;
extern std::int16_t ConvertFolderRemoveOrphans;
extern std::int16_t ConvertFolderPortableNames;
// Where a looked-up release's front cover is fetched from (coverarchive::serverAddress), the
// size fetched ("250", "500", "1200" or "original"), and 1: a rip writes the cover beside its
// files ("cover.jpg").
extern QString CoverArtServer;
extern QString CoverArtSize;
extern std::int16_t SaveCoverFile;
// How rips read the disc: "secure", "fast" or "paranoid" (readmode::fromName; another text
// reads as secure).
extern QString RipReadMode;
// A fast rip accepts a track read once when the AccurateRip database confirms it with at
// least this many rips (1 to 200).
extern std::int16_t MinimumConfidence;
// Single-sector retries of a sector the drive cannot deliver before the rip leaves it silent
// and goes on (0 to 1000).
extern std::int16_t ReadRetryLimit;
// The file-name template of ripped tracks named from the disc's information
// (nametemplate::Template); empty: "NN - Title.ext".
extern QString FileNameTemplate;

// The keys, in the order LoadSettings reads them.
enum class SettingKey {
    AudioFormat,
    EncodingQuality,
    EncodingBitrate,
    HDWarning,
    HDWarningNo,
    HDStopDecoding,
    HDStopNo,
    DecodePath,
    DesktopIcon,
    MinimizeOnStart,
    DeleteWav,
    ShowFullPath,
    EncodeAfterExtracting,
    MuteButton,
    FilesAtOnce,
    TestAndCopy,
    MusicBrainzServer,
    NameFromDisc,
    AccurateRipServer,
    ConvertAudioTo,
    FlacLevel,
    OpusBitrateKbps,
    ExtractTo,
    AlsoWrite,
    DesktopNotifications,
    ConvertFolderSources,
    ConvertFolderDestination,
    ConvertFolderFormat,
    ConvertFolderSetting,
    ConvertFolderRemoveOrphans,
    ConvertFolderPortableNames,
    CoverArtServer,
    CoverArtSize,
    SaveCoverFile,
    RipReadMode,
    MinimumConfidence,
    ReadRetryLimit,
    FileNameTemplate,
};
inline constexpr int SettingKeyCount = 38;

namespace settings {

inline constexpr const char* applicationName = "MP3 Vortan v2.0";
inline constexpr const char* sectionName = "Settings";

// The stored key name, e.g. "HDstopdecoding".
QString keyName(SettingKey key);
// The text used when the key is absent ("DecodePath": the program's folder; "Files at
// once": the number of processor cores).
QString defaultText(SettingKey key);
// The stored text of `key`, or `fallback` when the key is absent.
QString readText(SettingKey key, const QString& fallback);
// Saves `text` under `key` without touching the variable (used by readers of the raw store).
void saveText(SettingKey key, const QString& text);

// Text to 16-bit signed integer as the store's numbers are read: optional sign and decimal
// digits, surrounding blanks allowed. Anything else, or a value outside 16 bits, fails.
std::optional<std::int16_t> toInt16(const QString& text);

// The release the user chose for the disc with MusicBrainz disc ID `discId`; empty when none
// was chosen (or it has been forgotten).
QString chosenRelease(const QString& discId);
// Remembers `releaseId` as the release of disc `discId`. The choices of the
// maxRememberedReleases discs chosen last are kept.
void rememberRelease(const QString& discId, const QString& releaseId);
inline constexpr int maxRememberedReleases = 200;

} // namespace settings

// Copies every key into its variable, in table order. A missing key reads as its
// default; a value that is not a 16-bit number leaves a number's variable as it was.
void LoadSettings();

// Saves `text` under `key` and sets the variable by the same rule LoadSettings uses.
void WriteSetting(SettingKey key, const QString& text);
void WriteSetting(SettingKey key, std::int16_t value);

// Most files a batch converts at once.
inline constexpr int maxFilesAtOnce = 64;
// FilesAtOnce within 1..maxFilesAtOnce.
int filesAtOnce();
