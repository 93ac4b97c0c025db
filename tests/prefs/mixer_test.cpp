// The CD line mute over the sound card mixer. The tests run with no sound card known (see
// the test entry), the case every machine without one meets.
#include "engine/prefs/mixer.h"

#include <gtest/gtest.h>

TEST(Mixer, WithoutASoundCardMutingDoesNothingQuietly) {
    testing::internal::CaptureStderr();
    MixerControlRecord record;
    EXPECT_FALSE(
        FindCdMuteControl(defaultMixerDevice, cdLineElement, MixerControlType::Mute, record));
    EXPECT_FALSE(
        FindCdMuteControl(QStringLiteral("hw:97"), cdLineElement, MixerControlType::Mute, record));
    EXPECT_FALSE(SetMixerControl(defaultMixerDevice, MixerControlRecord{cdLineElement}, 1));
    MuteCdLine();
    MuteCdLine();
    UnmuteCdLine();
    // alsa-lib's own complaints about the missing card are not the user's business.
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
