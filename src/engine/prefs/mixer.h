#pragma once

#include <QString>

#include <cstdint>

// The CD line's mute switch on the sound card mixer, so that a CD played during a real-time
// recording is not heard. Over the ALSA simple mixer (the one place the program uses
// alsa-lib): the "CD" element's playback switch of the default card. Nothing is kept open
// between calls; nothing is reported to the user. GUI thread.

// Which control of a mixer element a record names.
enum class MixerControlType {
    Mute, // the element's playback switch, seen as a mute control (1 = muted)
};

// A found mixer control: enough to address it again on the same device.
struct MixerControlRecord {
    QString element;
    unsigned elementIndex = 0;
    MixerControlType type = MixerControlType::Mute;
};

inline const QString defaultMixerDevice = QStringLiteral("default");
inline const QString cdLineElement = QStringLiteral("CD");

// Looks for the control `type` of the element `element` on the mixer of `device` ("default",
// "hw:0"...) and fills `record`. False when there is no such device, element or control.
bool FindCdMuteControl(const QString& device, const QString& element, MixerControlType type,
                       MixerControlRecord& record);

// Sets the control of a filled record on `device`: for a mute control 1 mutes the line and 0
// unmutes it (every channel). True when the mixer accepted the value.
bool SetMixerControl(const QString& device, const MixerControlRecord& record, std::int32_t value);

// Mute / unmute the default card's CD line. With no card, no CD element or no switch on it,
// nothing happens.
void MuteCdLine();
void UnmuteCdLine();
