#pragma once
// The common ground of the tests that open disc images as drives.
#include "engine/platform/akrip/akrip.h"

#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdint>

// The request for a handle on drive `driveIndex`, as the CD library's callers fill it.
akrip::GETCDHAND handleRequest(int driveIndex);

// A test of disc images: no image drive is registered when it starts or left when it ends,
// and `dir` holds its images.
class DiscImageTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    QString path(const QString& name) const { return dir.filePath(name); }
    // Registers the image of `cuePath` as a drive: its index; -1 (and a failure) when refused.
    static int registerDisc(const QString& cuePath);
    // A handle on drive `drive` with LBA addressing; 0 (and a failure) when none is given.
    static std::uint32_t openHandle(int drive);

    QTemporaryDir dir;
};
