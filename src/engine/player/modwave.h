#pragma once

#include <QString>

class ActiveMP3;

// The player's device operations. WAV files play on the media-control "waveaudio" device
// under the alias "sound", MIDI files on the "sequencer" device under "midi", MP3 files on
// the decoder control; the main window's CD audio device is "cd". None returns a value or
// shows a message: an open that fails leaves nothing playing, and stop and close commands
// for aliases that are not open fail silently. A play returns at once; the file plays on
// by itself. GUI thread.
namespace ModWave {

// "open waveaudio!<path> alias sound", then, when that succeeded, "play sound".
void PlayWave(const QString& path);
// "open sequencer!<path> alias midi", then, when that succeeded, "play midi".
void PlayMidi(const QString& path);
// Sets the decoder control's input file to `path` and starts its playback.
void PlayMp3(ActiveMP3& decoder, const QString& path);
// Stops and closes every device the program plays on ("sound", "cd", "midi", in that
// order, each stopped then closed), then stops the decoder control.
void StopAllPlayback(ActiveMP3& decoder);

} // namespace ModWave
