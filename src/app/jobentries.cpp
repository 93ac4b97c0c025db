// Entry points of the batch jobs the action button starts, and the encoder lists of the CD
// bar. Each subsystem replaces its own entry here with the real one.
#include "app/form1.h"

#include "app/settings.h"

#include <QComboBox>

// The extraction batch over the selected tracks.
void Form1::cmdStart_Click() { showNotAvailable(QStringLiteral("CD extraction")); }

// The encoding batch over the selected WAV files.
void Form1::cmdEncFile_Click() { showNotAvailable(QStringLiteral("MP3 encoding")); }

// The bitrate and quality choices; they stay empty until the encoder provides them.
void Form1::fillEncoderLists() {}

void Form1::cmbBitrate_Click() {
    if (cmbBitrate->currentIndex() >= 0)
        WriteSetting(SettingKey::EncodingBitrate,
                     static_cast<std::int16_t>(cmbBitrate->currentIndex()));
}

void Form1::cmbQuality_Click() {
    if (cmbQuality->currentIndex() >= 0)
        WriteSetting(SettingKey::EncodingQuality,
                     static_cast<std::int16_t>(cmbQuality->currentIndex()));
}
