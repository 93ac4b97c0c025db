#include "discfixture.h"

#include "engine/platform/akrip/cddrives.h"

akrip::GETCDHAND handleRequest(int driveIndex) {
    akrip::GETCDHAND request{};
    request.size = 12;
    request.version = 1;
    request.ha = static_cast<std::uint8_t>(driveIndex);
    return request;
}

void DiscImageTest::SetUp() {
    cddrives::forgetImages();
    ASSERT_TRUE(dir.isValid());
}

void DiscImageTest::TearDown() {
    cddrives::forgetImages();
}

int DiscImageTest::registerDisc(const QString& cuePath) {
    const auto registered = cddrives::registerImage(cuePath);
    EXPECT_TRUE(registered.ok()) << registered.error().description().toStdString();
    return registered.ok() ? registered->driveIndex : -1;
}

std::uint32_t DiscImageTest::openHandle(int drive) {
    akrip::GETCDHAND request = handleRequest(drive);
    const std::uint32_t handle = akrip::GetCDHandle(&request);
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(akrip::ModifyCDParms(handle, akrip::parmMsfAddressing, 0), 1);
    return handle;
}
