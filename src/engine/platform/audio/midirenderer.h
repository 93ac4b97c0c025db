#pragma once

#include "engine/platform/audio/pcmformat.h"
#include "engine/platform/audio/pcmplayer.h"
#include "engine/platform/error.h"

#include <QString>

#include <cstddef>
#include <memory>

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_player_t;

// The one place the program talks to FluidSynth.
namespace audio {

struct FluidSettingsDeleter {
    void operator()(_fluid_hashtable_t* settings) const;
};
struct FluidSynthDeleter {
    void operator()(_fluid_synth_t* synth) const;
};
struct FluidPlayerDeleter {
    void operator()(_fluid_player_t* player) const;
};

// A Standard MIDI File rendered to 44,100 Hz 16-bit stereo by FluidSynth with the General
// MIDI soundfont of the system, as a source for a PcmPlayer: the file's time advances only
// as audio is read, so the rendering follows the playback wherever it is played. After the
// last event the notes still sounding are rendered until they have died away (at most
// releaseTailMs), then the audio ends.
//
// Reading stops where a player stopped; read() again continues from there. Used by one
// thread at a time (the playback thread while it plays).
class MidiRenderer final : public PcmSource {
  public:
    static constexpr int sampleRate = 44100;
    static constexpr int releaseTailMs = 2000;

    // Loads the soundfont and the file. Fails when no soundfont is installed, the file is
    // missing (VortanError::FileNotFound) or is not a MIDI file, or the library fails.
    static Result<std::unique_ptr<MidiRenderer>> open(const QString& midiPath);
    ~MidiRenderer() override;

    // The General MIDI soundfont used: "default-GM.sf2" in the system's soundfont folder,
    // else the first ".sf2" there (by name); empty when there is none.
    static QString soundFontPath();

    PcmFormat format() const { return PcmFormat{sampleRate, 2}; }
    std::size_t read(char* buffer, std::size_t capacity) override;
    // Silences every note at once (for a playback that was stopped midway, so that reading
    // on later does not carry notes held from before).
    void silence();
    // Milliseconds of audio read so far.
    std::int64_t renderedMs() const { return renderedFrames_ * 1000 / sampleRate; }

  private:
    MidiRenderer() = default;

    std::unique_ptr<_fluid_hashtable_t, FluidSettingsDeleter> settings_;
    std::unique_ptr<_fluid_synth_t, FluidSynthDeleter> synth_;
    std::unique_ptr<_fluid_player_t, FluidPlayerDeleter> player_;
    std::int64_t renderedFrames_ = 0;
    std::int64_t tailFrames_ = 0; // rendered after the last event
    bool ended_ = false;
};

} // namespace audio
