#include "engine/platform/audio/midirenderer.h"
#include "engine/platform/nativepath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fluidsynth.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <mutex>

namespace audio {

namespace {

const QString errorSource = QStringLiteral("FluidSynth");

// The library's last error on this thread: its log goes here instead of the terminal.
thread_local QString lastLibraryError;

void keepLibraryError(int level, const char* message, void*) {
    if ((level == FLUID_PANIC || level == FLUID_ERR) && message)
        lastLibraryError = QString::fromUtf8(message);
}

void setUpLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR})
            fluid_set_log_function(level, &keepLibraryError, nullptr);
        for (int level : {FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, nullptr, nullptr);
    });
}

VortanError libraryError(const QString& what) {
    const QString why =
        lastLibraryError.isEmpty() ? what : what + QStringLiteral(": ") + lastLibraryError;
    return VortanError(VortanError::InvalidArgument, errorSource, why);
}

// Rendered silence carries the library's dither, so "silent" is a few steps from zero.
constexpr int silenceLevel = 8;

} // namespace

void FluidSettingsDeleter::operator()(fluid_settings_t* settings) const {
    delete_fluid_settings(settings);
}

void FluidSynthDeleter::operator()(fluid_synth_t* synth) const {
    delete_fluid_synth(synth);
}

void FluidPlayerDeleter::operator()(fluid_player_t* player) const {
    delete_fluid_player(player);
}

QString MidiRenderer::soundFontPath() {
    const QDir folder(QStringLiteral(VORTAN_SOUNDFONT_DIR));
    const QString preferred = folder.filePath(QStringLiteral("default-GM.sf2"));
    if (QFileInfo(preferred).isFile())
        return preferred;
    const QStringList fonts =
        folder.entryList({QStringLiteral("*.sf2")}, QDir::Files | QDir::Readable, QDir::Name);
    return fonts.isEmpty() ? QString() : folder.filePath(fonts.front());
}

Result<std::unique_ptr<MidiRenderer>> MidiRenderer::open(const QString& midiPath) {
    setUpLibrary();
    lastLibraryError.clear();
    const QByteArray path = nativepath::encode(midiPath);
    if (!QFileInfo(midiPath).isFile())
        return VortanError(
            VortanError::FileNotFound, errorSource,
            QCoreApplication::translate("MidiRenderer", "File not found: %1").arg(midiPath));
    if (!fluid_is_midifile(path.constData()))
        return VortanError(
            VortanError::InvalidArgument, errorSource,
            QCoreApplication::translate("MidiRenderer", "Not a MIDI file: %1").arg(midiPath));
    const QString font = soundFontPath();
    if (font.isEmpty())
        return VortanError(
            VortanError::FileNotFound, errorSource,
            QCoreApplication::translate("MidiRenderer", "No General MIDI soundfont in %1")
                .arg(QStringLiteral(VORTAN_SOUNDFONT_DIR)));

    std::unique_ptr<MidiRenderer> renderer(new MidiRenderer);
    renderer->settings_.reset(new_fluid_settings());
    fluid_settings_t* settings = renderer->settings_.get();
    if (!settings)
        return libraryError(QCoreApplication::translate(
            "MidiRenderer", "Cannot create the synthesizer's settings"));
    fluid_settings_setnum(settings, "synth.sample-rate", sampleRate);
    // The file's time is the rendered audio's, not the clock's: the player is driven by the
    // samples written, whichever thread writes them and however fast.
    fluid_settings_setstr(settings, "player.timing-source", "sample");
    renderer->synth_.reset(new_fluid_synth(settings));
    if (!renderer->synth_)
        return libraryError(
            QCoreApplication::translate("MidiRenderer", "Cannot create the synthesizer"));
    if (fluid_synth_sfload(renderer->synth_.get(), nativepath::encode(font).constData(), 1) ==
        FLUID_FAILED)
        return libraryError(
            QCoreApplication::translate("MidiRenderer", "Cannot load the soundfont %1").arg(font));
    renderer->player_.reset(new_fluid_player(renderer->synth_.get()));
    if (!renderer->player_ ||
        fluid_player_add(renderer->player_.get(), path.constData()) != FLUID_OK ||
        fluid_player_play(renderer->player_.get()) != FLUID_OK)
        return libraryError(
            QCoreApplication::translate("MidiRenderer", "Cannot play %1").arg(midiPath));
    return renderer;
}

MidiRenderer::~MidiRenderer() {
    // The player goes before the synthesizer it drives, the settings last (member order).
    player_.reset();
    synth_.reset();
}

std::size_t MidiRenderer::read(char* buffer, std::size_t capacity) {
    if (ended_)
        return 0;
    const int frameBytes = 2 * static_cast<int>(sizeof(std::int16_t));
    int frames = static_cast<int>(std::min<std::size_t>(capacity / frameBytes, 1 << 16));
    const bool lastEventsDone = fluid_player_get_status(player_.get()) != FLUID_PLAYER_PLAYING;
    const std::int64_t tailLimit = std::int64_t{releaseTailMs} * sampleRate / 1000;
    if (lastEventsDone) {
        if (tailFrames_ >= tailLimit) {
            ended_ = true;
            return 0;
        }
        frames = static_cast<int>(std::min<std::int64_t>(frames, tailLimit - tailFrames_));
    }
    if (frames <= 0)
        return 0;
    // Interleaved stereo: left at even, right at odd samples.
    if (fluid_synth_write_s16(synth_.get(), frames, buffer, 0, 2, buffer, 1, 2) != FLUID_OK) {
        ended_ = true;
        return 0;
    }
    renderedFrames_ += frames;
    if (lastEventsDone) {
        tailFrames_ += frames;
        const auto* samples = reinterpret_cast<const std::int16_t*>(buffer);
        const bool silent = std::all_of(samples, samples + 2 * frames,
                                        [](std::int16_t s) { return std::abs(s) <= silenceLevel; });
        if (silent)
            ended_ = true; // the notes have died away; this block still goes out
    }
    return static_cast<std::size_t>(frames) * frameBytes;
}

void MidiRenderer::silence() {
    fluid_synth_all_sounds_off(synth_.get(), -1);
}

} // namespace audio
