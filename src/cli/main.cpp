// mp3vortan-cli: the conversions of MP3 Vortan from the shell, over the same engine.
#include "cli/commands.h"
#include "cli/options.h"
#include "engine/core/translation.h"
#include "engine/platform/nativepath.h"

#include <QCoreApplication>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

int run(const cli::Options& options, cli::Interruption& interruption) {
    switch (options.command) {
    case cli::Command::Help:
        std::fputs(cli::helpText().toLocal8Bit().constData(), stdout);
        return 0;
    case cli::Command::Version:
        std::puts("mp3vortan-cli " VORTAN_VERSION);
        return 0;
    case cli::Command::Encode:
        return cli::encode(options, interruption);
    case cli::Command::Decode:
        return cli::decode(options, interruption);
    case cli::Command::Tracks:
        return cli::tracks(options, interruption);
    case cli::Command::Rip:
        return cli::rip(options, interruption);
    case cli::Command::Info:
        return cli::info(options, interruption);
    case cli::Command::Verify:
        return cli::verify(options, interruption);
    case cli::Command::OffsetFind:
        return cli::offsetFind(options, interruption);
    case cli::Command::Convert:
        return cli::convert(options, interruption);
    }
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    // With SIGXFSZ ignored, a write past the file-size limit (ulimit -f) fails with EFBIG
    // and is reported as that file's failure, instead of the signal ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // A reader of standard output that goes away (`| head`) must not end the program in the
    // middle of a batch: the write fails instead, and the run says so at its end.
    std::signal(SIGPIPE, SIG_IGN);
    // The arguments as the system gave them: a file name that is not valid UTF-8 must reach
    // the file it names.
    const QStringList arguments = nativepath::arguments(argc, argv);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("MP3 Vortan v2.0"));
    // Help and messages in the user's language (LANG, LC_MESSAGES, LANGUAGE), English
    // otherwise.
    translation::install();

    const cli::Parsed parsed = cli::parse(arguments.mid(1));
    if (!parsed.error.isEmpty()) {
        const QString usage = QCoreApplication::translate(
                                  "cli::Main", "mp3vortan-cli: %1\nTry 'mp3vortan-cli --help'.\n")
                                  .arg(parsed.error);
        std::fputs(usage.toLocal8Bit().constData(), stderr);
        return 2;
    }
    cli::Interruption interruption;
    const int status = run(parsed.options, interruption);
    // What went to standard output must have arrived.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "mp3vortan-cli: standard output: %s\n", std::strerror(errno));
        return std::max(status, 1);
    }
    return status;
}
