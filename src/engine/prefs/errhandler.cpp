#include "engine/prefs/errhandler.h"

#include "engine/core/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <pthread.h>
#include <ucontext.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstddef>

namespace modErrHandler {

namespace {

struct NamedCode {
    std::uint32_t code;
    const char* name;
};

constexpr NamedCode namedCodes[] = {
    {GuardPageViolation, "Guard Page Violation"},
    {DatatypeMisalignment, "Data Type Misalignment"},
    {Breakpoint, "Breakpoint"},
    {SingleStep, "Single Step"},
    {AccessViolation, "Access Violation"},
    {InPageError, "In Page Error"},
    {InvalidHandle, "Invalid Handle"},
    {IllegalInstruction, "Illegal Instruction"},
    {NoncontinuableException, "Non Continuable Exception"},
    {InvalidDisposition, "Invalid Disposition"},
    {ArrayBoundsExceeded, "Array Bounds Exceeded"},
    {FloatDenormalOperand, "Float Denormal Operand"},
    {FloatDivideByZero, "Divide By Zero"},
    {FloatInexactResult, "Floating Point Inexact Result"},
    {FloatInvalidOperation, "Invalid Operation"},
    {FloatOverflow, "Float Overflow"},
    {FloatStackCheck, "Float Stack Check"},
    {FloatUnderflow, "Float Underflow"},
    {IntegerDivideByZero, "Integer Divide By Zero"},
    {IntegerOverflow, "Integer Overflow"},
    {PrivilegedInstruction, "Privileged Instruction"},
    {StackOverflow, "Stack Overflow"},
    {ControlCExit, "Control-C Exit"},
};

constexpr int handledSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};

// Async-signal-safe lookup: a plain scan of a constant table.
const char* nameOf(std::uint32_t code) {
    for (const NamedCode& entry : namedCodes)
        if (entry.code == code)
            return entry.name;
    return nullptr;
}

// A fault address this close to the interrupted stack pointer means the stack ran out
// (a push, a call or a frame's first store hit the end of the stack mapping).
constexpr std::uintptr_t stackFaultWindow = 64 * 1024;

// ---- State prepared by installExceptionFilter and read by the handler ----
// Written only while no handler is installed, so the handler never sees a partial value.
std::array<char, 4096> reportPathBytes{};
bool altStackActive = false;
alignas(64) char altStackMemory[128 * 1024];

// Fixed-size text builder for the handler: no allocation, silently truncates.
class LineBuffer {
  public:
    void append(const char* text) {
        while (*text && length_ < buffer_.size())
            buffer_[length_++] = *text++;
    }
    void appendHex8(std::uint32_t value) {
        constexpr char digits[] = "0123456789ABCDEF";
        char hex[9] = {};
        for (int i = 7; i >= 0; --i) {
            hex[i] = digits[value & 0xFu];
            value >>= 4;
        }
        append(hex);
    }
    void appendName(std::uint32_t code) {
        if (const char* name = nameOf(code)) {
            append(name);
        } else {
            append("Unknown (&H");
            appendHex8(code);
            append(")");
        }
    }
    const char* data() const { return buffer_.data(); }
    std::size_t size() const { return length_; }

  private:
    std::array<char, 256> buffer_{};
    std::size_t length_ = 0;
};

void writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n <= 0)
            return;
        data += n;
        size -= std::size_t(n);
    }
}

std::uintptr_t interruptedStackPointer(void* context) {
    if (!context)
        return 0;
    const auto* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
    return std::uintptr_t(uc->uc_mcontext.gregs[REG_RSP]);
#elif defined(__i386__)
    return std::uintptr_t(uc->uc_mcontext.gregs[REG_ESP]);
#elif defined(__aarch64__)
    return std::uintptr_t(uc->uc_mcontext.sp);
#else
    (void)uc;
    return 0;
#endif
}

[[noreturn]] void endBySignal(int signalNumber) {
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    ::sigaction(signalNumber, &defaultAction, nullptr);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, signalNumber);
    ::pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
    ::raise(signalNumber);
    // Only reached if the default action did not end the process.
    ::_exit(128 + signalNumber);
}

} // namespace

QString exceptionName(std::uint32_t code) {
    if (const char* name = nameOf(code))
        return QString::fromLatin1(name);
    return QCoreApplication::translate("errhandler", "Unknown (&H%1)")
        .arg(QStringLiteral("%1").arg(code, 8, 16, QLatin1Char('0')).toUpper());
}

std::uint32_t finalExceptionCode(const ExceptionRecord& first) {
    const ExceptionRecord* record = &first;
    while (record->nested)
        record = record->nested;
    return record->code;
}

VortanError exceptionError(std::uint32_t code) {
    return VortanError(errorNumber, QLatin1String(errorSource), exceptionName(code));
}

VortanError exceptionError(const ExceptionRecord& first) {
    return exceptionError(finalExceptionCode(first));
}

QString reportLine(std::uint32_t code) {
    return QCoreApplication::translate("errhandler", "Error %1 (%2): %3")
        .arg(errorNumber)
        .arg(QLatin1String(errorSource), exceptionName(code));
}

std::uint32_t exceptionCodeForSignal(int signalNumber, int signalCode, bool nearStackPointer) {
    switch (signalNumber) {
    case SIGSEGV:
#ifdef SEGV_BNDERR
        if (signalCode == SEGV_BNDERR)
            return ArrayBoundsExceeded;
#endif
        return nearStackPointer ? StackOverflow : AccessViolation;
    case SIGBUS:
        return signalCode == BUS_ADRALN ? DatatypeMisalignment : InPageError;
    case SIGFPE:
        switch (signalCode) {
        case FPE_INTOVF:
            return IntegerOverflow;
        case FPE_FLTDIV:
            return FloatDivideByZero;
        case FPE_FLTOVF:
            return FloatOverflow;
        case FPE_FLTUND:
            return FloatUnderflow;
        case FPE_FLTRES:
            return FloatInexactResult;
        case FPE_FLTINV:
            return FloatInvalidOperation;
        case FPE_FLTSUB:
            return ArrayBoundsExceeded;
        default:
            // FPE_INTDIV, and a SIGFPE sent by another process: on the processors this
            // runs on, an integer division is the only arithmetic that traps by default.
            return IntegerDivideByZero;
        }
    case SIGILL:
        return signalCode == ILL_PRVOPC || signalCode == ILL_PRVREG ? PrivilegedInstruction
                                                                    : IllegalInstruction;
    default:
        return 0;
    }
}

QString crashReportPath() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QLatin1Char('/') + QLatin1String(settings::applicationName) +
           QStringLiteral("/crash-report.txt");
}

void MyExceptionFilter(int signalNumber, siginfo_t* info, void* context) {
    const int signalCode = info ? info->si_code : 0;
    bool nearStack = false;
    if (signalNumber == SIGSEGV && info) {
        const std::uintptr_t address = std::uintptr_t(info->si_addr);
        const std::uintptr_t sp = interruptedStackPointer(context);
        nearStack = sp != 0 && address + stackFaultWindow >= sp && address <= sp + stackFaultWindow;
    }
    const std::uint32_t code = exceptionCodeForSignal(signalNumber, signalCode, nearStack);

    LineBuffer line;
    line.append("Error 10000 (MyExceptionFilter): ");
    line.appendName(code);
    line.append("\n");

    writeAll(STDERR_FILENO, line.data(), line.size());
    if (reportPathBytes[0] != '\0') {
        const int fd =
            ::open(reportPathBytes.data(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd >= 0) {
            writeAll(fd, line.data(), line.size());
            ::close(fd);
        }
    }
    endBySignal(signalNumber);
}

bool installExceptionFilter() {
    // Prepare everything the handler reads before any handler can run.
    for (int sig : handledSignals) {
        struct sigaction plain {};
        plain.sa_handler = SIG_DFL;
        ::sigaction(sig, &plain, nullptr);
    }
    const QString path = crashReportPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray encoded = QFile::encodeName(path);
    reportPathBytes.fill('\0');
    if (std::size_t(encoded.size()) < reportPathBytes.size())
        std::copy(encoded.cbegin(), encoded.cend(), reportPathBytes.begin());

    stack_t altStack{};
    altStack.ss_sp = altStackMemory;
    altStack.ss_size = sizeof(altStackMemory);
    altStack.ss_flags = 0;
    altStackActive = ::sigaltstack(&altStack, nullptr) == 0;

    struct sigaction action {};
    action.sa_sigaction = &MyExceptionFilter;
    action.sa_flags = SA_SIGINFO | (altStackActive ? SA_ONSTACK : 0);
    sigemptyset(&action.sa_mask);
    for (int sig : handledSignals)
        sigaddset(&action.sa_mask, sig);
    bool ok = true;
    for (int sig : handledSignals)
        ok = ::sigaction(sig, &action, nullptr) == 0 && ok;
    return ok;
}

void removeExceptionFilter() {
    for (int sig : handledSignals) {
        struct sigaction plain {};
        plain.sa_handler = SIG_DFL;
        sigemptyset(&plain.sa_mask);
        ::sigaction(sig, &plain, nullptr);
    }
    if (altStackActive) {
        stack_t current{};
        if (::sigaltstack(nullptr, &current) == 0 && current.ss_sp == altStackMemory &&
            !(current.ss_flags & SS_ONSTACK)) {
            stack_t disabled{};
            disabled.ss_flags = SS_DISABLE;
            ::sigaltstack(&disabled, nullptr);
        }
        altStackActive = false;
    }
}

} // namespace modErrHandler
