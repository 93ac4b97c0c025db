#pragma once

#include "engine/platform/error.h"

#include <QString>

#include <csignal>
#include <cstdint>

// Crash reporting: processor faults (memory access, arithmetic, illegal instructions) are
// named with the platform-independent exception codes below and reported as error 10000 of
// "MyExceptionFilter". A fault is never continued from: the report goes to stderr and to
// the crash-report file, then the process ends by the same signal (so its exit status still
// shows what happened).
namespace modErrHandler {

inline constexpr int errorNumber = VortanError::ProcessorFault; // 10000
inline constexpr const char* errorSource = "MyExceptionFilter";

// Exception codes that have names.
enum ExceptionCode : std::uint32_t {
    GuardPageViolation = 0x80000001u,
    DatatypeMisalignment = 0x80000002u,
    Breakpoint = 0x80000003u,
    SingleStep = 0x80000004u,
    AccessViolation = 0xC0000005u,
    InPageError = 0xC0000006u,
    InvalidHandle = 0xC0000008u,
    IllegalInstruction = 0xC000001Du,
    NoncontinuableException = 0xC0000025u,
    InvalidDisposition = 0xC0000026u,
    ArrayBoundsExceeded = 0xC000008Cu,
    FloatDenormalOperand = 0xC000008Du,
    FloatDivideByZero = 0xC000008Eu,
    FloatInexactResult = 0xC000008Fu,
    FloatInvalidOperation = 0xC0000090u,
    FloatOverflow = 0xC0000091u,
    FloatStackCheck = 0xC0000092u,
    FloatUnderflow = 0xC0000093u,
    IntegerDivideByZero = 0xC0000094u,
    IntegerOverflow = 0xC0000095u,
    PrivilegedInstruction = 0xC0000096u,
    StackOverflow = 0xC00000FDu,
    ControlCExit = 0xC000013Au,
};

// The readable name of an exception code ("Access Violation"); any code without a name
// gives "Unknown (&H" + eight upper-case hex digits + ")".
QString exceptionName(std::uint32_t code);

// One exception record of a chain: a fault raised while another was being handled points
// at the record it replaces. The last record of the chain decides the name.
struct ExceptionRecord {
    std::uint32_t code = 0;
    const ExceptionRecord* nested = nullptr;
};

// The code of the last record of the chain starting at `first`.
std::uint32_t finalExceptionCode(const ExceptionRecord& first);

// Error 10000, source "MyExceptionFilter", the name of the chain's last record.
VortanError exceptionError(const ExceptionRecord& first);
VortanError exceptionError(std::uint32_t code);

// The report line (no line end): "Error 10000 (MyExceptionFilter): Access Violation".
QString reportLine(std::uint32_t code);

// The exception code of a fault signal: SIGSEGV is an access violation (a stack overflow
// when `nearStackPointer`, i.e. the fault address lies at the interrupted stack pointer;
// array bounds for SEGV_BNDERR), SIGBUS a misalignment for BUS_ADRALN and an in-page error
// otherwise, SIGFPE by its si_code (integer/float division, overflow, underflow, inexact,
// invalid, subscript), SIGILL a privileged instruction for ILL_PRVOPC/ILL_PRVREG and an
// illegal instruction otherwise. Other signals give 0.
std::uint32_t exceptionCodeForSignal(int signalNumber, int signalCode, bool nearStackPointer);

// Where the crash report is written: "<user data folder>/MP3 Vortan v2.0/crash-report.txt"
// (XDG_DATA_HOME, by default ~/.local/share). Each report is appended as one line.
QString crashReportPath();

// Installs MyExceptionFilter for SIGSEGV, SIGBUS, SIGFPE and SIGILL, with an alternate
// signal stack for the calling thread so a stack overflow is reported too. The report file
// path is resolved (and its folder created) now, because nothing may allocate inside the
// handler. Call on the GUI thread when the main window loads. Returns false when a handler
// could not be installed.
bool installExceptionFilter();

// Puts the default action back on the four signals (no filter afterwards, not an earlier
// one) and drops the alternate stack. Call when the main window unloads.
void removeExceptionFilter();

// The signal handler. Async-signal-safe: it only formats into fixed buffers and uses
// write, open, close, sigaction, sigprocmask, raise and _exit. It does not return.
void MyExceptionFilter(int signalNumber, siginfo_t* info, void* context);

} // namespace modErrHandler
