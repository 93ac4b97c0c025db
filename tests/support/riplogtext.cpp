#include "riplogtext.h"

#include "fixtures.h"

#include <QDir>
#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>

namespace riplogtext {

QString hex(std::uint32_t value) {
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

QString trackBlock(const QString& log, int track) {
    const QString heading = QStringLiteral("Track %1\n").arg(track, 2, 10, QLatin1Char('0'));
    const qsizetype from = log.indexOf(heading);
    return from < 0 ? QString() : log.mid(from, log.indexOf(QStringLiteral("\n\n"), from) - from);
}

QString ripLog(const QString& folder) {
    // The window writes the log once the AccurateRip database has answered.
    const auto found = [&folder] {
        return QDir(folder).entryList({QStringLiteral("Rip *.log")}, QDir::Files);
    };
    // The count below tells whether it came.
    static_cast<void>(QTest::qWaitFor([&found] { return !found().isEmpty(); }, 20000));
    const QStringList logs = found();
    EXPECT_EQ(logs.size(), 1) << logs.join(QLatin1Char(' ')).toStdString();
    return logs.size() == 1 ? QString::fromUtf8(fixtures::readFile(QDir(folder).filePath(logs[0])))
                            : QString();
}

QStringList cueSheets(const QString& folder, int count) {
    const auto found = [&folder] {
        return QDir(folder).entryList({QStringLiteral("*.cue")}, QDir::Files);
    };
    // The caller checks the count.
    static_cast<void>(QTest::qWaitFor([&found, count] { return found().size() >= count; }, 20000));
    return found();
}

} // namespace riplogtext
