#include "engine/prefs/errhandler.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <utility>

using namespace modErrHandler;

namespace {

TEST(ExceptionNames, EveryNamedCode) {
    const std::pair<std::uint32_t, const char*> table[] = {
        {0x80000001, "Guard Page Violation"},
        {0x80000002, "Data Type Misalignment"},
        {0x80000003, "Breakpoint"},
        {0x80000004, "Single Step"},
        {0xC0000005, "Access Violation"},
        {0xC0000006, "In Page Error"},
        {0xC0000008, "Invalid Handle"},
        {0xC000001D, "Illegal Instruction"},
        {0xC0000025, "Non Continuable Exception"},
        {0xC0000026, "Invalid Disposition"},
        {0xC000008C, "Array Bounds Exceeded"},
        {0xC000008D, "Float Denormal Operand"},
        {0xC000008E, "Divide By Zero"},
        {0xC000008F, "Floating Point Inexact Result"},
        {0xC0000090, "Invalid Operation"},
        {0xC0000091, "Float Overflow"},
        {0xC0000092, "Float Stack Check"},
        {0xC0000093, "Float Underflow"},
        {0xC0000094, "Integer Divide By Zero"},
        {0xC0000095, "Integer Overflow"},
        {0xC0000096, "Privileged Instruction"},
        {0xC00000FD, "Stack Overflow"},
        {0xC000013A, "Control-C Exit"},
    };
    for (const auto& [code, name] : table)
        EXPECT_EQ(exceptionName(code), QLatin1String(name)) << std::hex << code;

    EXPECT_EQ(exceptionName(0xC0000409), QStringLiteral("Unknown (&HC0000409)"));
    EXPECT_EQ(exceptionName(0x00001234), QStringLiteral("Unknown (&H00001234)"));
    EXPECT_EQ(exceptionName(0), QStringLiteral("Unknown (&H00000000)"));
    EXPECT_EQ(exceptionName(0xC0000007), QStringLiteral("Unknown (&HC0000007)"));
}

TEST(ExceptionNames, LastRecordOfAChainDecides) {
    const ExceptionRecord last{0xC0000094, nullptr};
    const ExceptionRecord middle{0x00001234, &last};
    const ExceptionRecord first{0xC0000005, &middle};
    EXPECT_EQ(finalExceptionCode(first), 0xC0000094u);
    EXPECT_EQ(finalExceptionCode(last), 0xC0000094u);

    const VortanError chained = exceptionError(first);
    EXPECT_EQ(chained.number(), 10000);
    EXPECT_EQ(chained.source(), QStringLiteral("MyExceptionFilter"));
    EXPECT_EQ(chained.description(), QStringLiteral("Integer Divide By Zero"));
    EXPECT_EQ(exceptionError(ExceptionRecord{0xC0000005, nullptr}).description(),
              QStringLiteral("Access Violation"));

    EXPECT_EQ(reportLine(0xC0000005),
              QStringLiteral("Error 10000 (MyExceptionFilter): Access Violation"));
}

TEST(ExceptionNames, SignalsMapToCodes) {
    EXPECT_EQ(exceptionCodeForSignal(SIGSEGV, SEGV_MAPERR, false), 0xC0000005u);
    EXPECT_EQ(exceptionCodeForSignal(SIGSEGV, SEGV_ACCERR, true), 0xC00000FDu);
    EXPECT_EQ(exceptionCodeForSignal(SIGBUS, BUS_ADRALN, false), 0x80000002u);
    EXPECT_EQ(exceptionCodeForSignal(SIGBUS, BUS_ADRERR, false), 0xC0000006u);
    EXPECT_EQ(exceptionCodeForSignal(SIGBUS, BUS_OBJERR, false), 0xC0000006u);
    EXPECT_EQ(exceptionCodeForSignal(SIGFPE, FPE_INTDIV, false), 0xC0000094u);
    EXPECT_EQ(exceptionCodeForSignal(SIGFPE, FPE_INTOVF, false), 0xC0000095u);
    EXPECT_EQ(exceptionCodeForSignal(SIGFPE, FPE_FLTDIV, false), 0xC000008Eu);
    EXPECT_EQ(exceptionCodeForSignal(SIGFPE, FPE_FLTOVF, false), 0xC0000091u);
    EXPECT_EQ(exceptionCodeForSignal(SIGFPE, FPE_FLTUND, false), 0xC0000093u);
    EXPECT_EQ(exceptionCodeForSignal(SIGFPE, FPE_FLTRES, false), 0xC000008Fu);
    EXPECT_EQ(exceptionCodeForSignal(SIGFPE, FPE_FLTINV, false), 0xC0000090u);
    EXPECT_EQ(exceptionCodeForSignal(SIGILL, ILL_ILLOPC, false), 0xC000001Du);
    EXPECT_EQ(exceptionCodeForSignal(SIGILL, ILL_PRVOPC, false), 0xC0000096u);
    EXPECT_EQ(exceptionCodeForSignal(SIGTERM, 0, false), 0u);
}

// ---- Real faults, each in a forked child ----

class CrashReport : public testing::Test {
  protected:
    static void SetUpTestSuite() { GTEST_FLAG_SET(death_test_style, "fast"); }
    QByteArray report() const {
        QFile f(crashReportPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// Child side: no core file, then the filter, then the fault.
void prepareChild() {
    rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    ASSERT_TRUE(installExceptionFilter());
}

void writeThroughNull() {
    // Both volatile: the store cannot be dropped and the target cannot be known.
    volatile int* volatile target = nullptr;
    *target = 1;
}

volatile int quotient = 0;

void divideByZero() {
    volatile int numerator = 1;
    volatile int denominator = 0;
    quotient = numerator / denominator;
}

volatile int stopDepth = -1;

[[gnu::noinline]] int recurse(int depth) {
    volatile char frame[512];
    frame[0] = char(depth);
    if (depth == stopDepth)
        return 0;
    return recurse(depth + 1) + frame[0];
}

void readPastEndOfMappedFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite | QIODevice::Truncate))
        return;
    void* map = mmap(nullptr, 4096, PROT_READ, MAP_SHARED, f.handle(), 0);
    if (map == MAP_FAILED)
        return;
    volatile const char* bytes = static_cast<const char*>(map);
    (void)bytes[0];
}

TEST_F(CrashReport, NullWriteIsReportedAsAccessViolation) {
    const QString path = crashReportPath();
    EXPECT_TRUE(path.endsWith(QStringLiteral("/MP3 Vortan v2.0/crash-report.txt")));
    EXPECT_TRUE(path.startsWith(qEnvironmentVariable("XDG_DATA_HOME")));
    EXPECT_EXIT((prepareChild(), writeThroughNull()), testing::KilledBySignal(SIGSEGV),
                "Error 10000 \\(MyExceptionFilter\\): Access Violation");
    EXPECT_EQ(report(), QByteArray("Error 10000 (MyExceptionFilter): Access Violation\n"));
}

#if defined(__x86_64__) || defined(__i386__)
TEST_F(CrashReport, IntegerDivisionByZeroIsNamed) {
    EXPECT_EXIT((prepareChild(), divideByZero()), testing::KilledBySignal(SIGFPE),
                "Error 10000 \\(MyExceptionFilter\\): Integer Divide By Zero");
    EXPECT_EQ(report(), QByteArray("Error 10000 (MyExceptionFilter): Integer Divide By Zero\n"));
}
#endif

TEST_F(CrashReport, StackOverflowIsReportedFromTheAlternateStack) {
    EXPECT_EXIT((prepareChild(), recurse(0)), testing::KilledBySignal(SIGSEGV),
                "Error 10000 \\(MyExceptionFilter\\): Stack Overflow");
    EXPECT_EQ(report(), QByteArray("Error 10000 (MyExceptionFilter): Stack Overflow\n"));
}

TEST_F(CrashReport, IllegalInstructionAndBusErrorAppendToTheReport) {
    EXPECT_EXIT((prepareChild(), __builtin_trap()), testing::KilledBySignal(SIGILL),
                "Error 10000 \\(MyExceptionFilter\\): Illegal Instruction");
    QTemporaryDir dir;
    const QString empty = dir.filePath(QStringLiteral("empty.bin"));
    EXPECT_EXIT((prepareChild(), readPastEndOfMappedFile(empty)), testing::KilledBySignal(SIGBUS),
                "Error 10000 \\(MyExceptionFilter\\): In Page Error");
    EXPECT_EQ(report(), QByteArray("Error 10000 (MyExceptionFilter): Illegal Instruction\n"
                                   "Error 10000 (MyExceptionFilter): In Page Error\n"));
}

TEST_F(CrashReport, RemovedFilterLeavesTheDefaultAction) {
    EXPECT_EXIT((prepareChild(), removeExceptionFilter(), writeThroughNull()),
                testing::KilledBySignal(SIGSEGV),
                testing::Not(testing::HasSubstr("MyExceptionFilter")));
    EXPECT_FALSE(QFileInfo::exists(crashReportPath()));
    // Installing again after removal works as the first time.
    EXPECT_EXIT((prepareChild(), removeExceptionFilter(), prepareChild(), writeThroughNull()),
                testing::KilledBySignal(SIGSEGV), "Access Violation");
}

} // namespace
