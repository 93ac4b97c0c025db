// The program's small conversions of the CD library's records and codes.
#include "engine/cd/modakrip32.h"
#include "engine/platform/error.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(ModAkrip32, RecordsAndErrorTexts) {
    akrip::CdDriveRecord record;
    std::memset(&record, 0, sizeof record);
    std::memcpy(record.id, "HL-DT-ST\0DVD", 12); // a zero inside: the pieces are joined
    std::memcpy(record.id + 60, "1.0", 3);
    EXPECT_EQ(modAKRip32::driveDisplayName(record), QStringLiteral("HL-DT-STDVD1.0"));

    EXPECT_THROW(modAKRip32::GetCDRecord(8), VortanError);

    EXPECT_EQ(modAKRip32::aspiErrorText(0), QStringLiteral("No error..."));
    EXPECT_EQ(modAKRip32::aspiErrorText(-7),
              QStringLiteral("The handle to the CD-ROM unit is invalid."));
    EXPECT_EQ(
        modAKRip32::aspiErrorText(-15),
        QStringLiteral("An automatic jitter adjust failed during a call to ReadCDAudioLBAEx"));
    EXPECT_TRUE(modAKRip32::aspiErrorText(1).isEmpty());
    EXPECT_TRUE(modAKRip32::aspiErrorText(-16).isEmpty());

    // A failure's text for the user: the code's text where nothing more is known; the
    // manager's advice to ask for the actual error gives way to that error.
    EXPECT_EQ(modAKRip32::failureText(-4, {}), modAKRip32::aspiErrorText(-4));
    EXPECT_EQ(modAKRip32::failureText(-4, QStringLiteral("sector 9 could not be read (EIO)")),
              QStringLiteral("An error was returned by the ASPI manager: sector 9 could not be "
                             "read (EIO)."));
    EXPECT_EQ(modAKRip32::failureText(-7, QStringLiteral("closed")),
              QStringLiteral("The handle to the CD-ROM unit is invalid. (closed)"));
}
