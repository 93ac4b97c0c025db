#include "cli/ripcover.h"

#include "cli/commandsupport.h"
#include "engine/core/settings.h"
#include "engine/cover/coverarchive.h"
#include "engine/platform/nativepath.h"

#include <QCoreApplication>

namespace cli {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("RipCover", text);
}

// The front cover of `releaseId`, waiting in the event loop for the fetch (which bounds its
// own time); an interruption abandons it.
Result<cover::FrontCover> fetchCover(const QString& releaseId, Interruption& interruption) {
    coverarchive::FetchRequest request;
    request.releaseId = releaseId;
    request.server = CoverArtServer;
    request.size = coverarchive::sizeFromText(CoverArtSize);
    coverarchive::CoverFetch fetch;
    std::optional<coverarchive::CoverFetch::Result> answer;
    const QMetaObject::Connection stop = QObject::connect(
        &interruption, &Interruption::interrupted, &fetch, [] { QCoreApplication::exit(0); });
    fetch.start(request, [&answer](const coverarchive::CoverFetch::Result& result) {
        answer = result;
        QCoreApplication::exit(0);
    });
    if (!interruption.happened() && !answer)
        QCoreApplication::exec();
    QObject::disconnect(stop);
    if (!answer) {
        fetch.cancel();
        return VortanError(VortanError::InvalidArgument, QStringLiteral("Cover Art Archive"),
                           tr("interrupted"));
    }
    return *answer;
}

} // namespace

bool takeCoverOption(const Options& options, ExtractionChoices& choices) {
    choices.saveCover = SaveCoverFile == 1;
    if (!options.cover)
        return true;
    if (*options.cover == QLatin1String("none")) {
        choices.coverNote = QStringLiteral("left out with --cover none");
        return true;
    }
    auto picture = cover::fromFile(nativepath::absolute(*options.cover));
    if (!picture) {
        fail(tr("--cover: %1").arg(picture.error().description()));
        return false;
    }
    choices.cover = std::move(picture.value());
    return true;
}

void fetchRipCover(const Options& options, ExtractionChoices& choices, Interruption& interruption) {
    if (options.cover || !options.lookup || choices.disc.releaseId.isEmpty())
        return;
    auto fetched = fetchCover(choices.disc.releaseId, interruption);
    if (!fetched) {
        choices.coverNote = fetched.error().description();
        say(tr("mp3vortan-cli: no front cover: %1").arg(choices.coverNote));
        return;
    }
    choices.cover = std::move(fetched.value());
}

void printCoverLine(const DiscInfo& info, Interruption& interruption) {
    if (info.releaseId.isEmpty())
        return;
    const auto fetched = fetchCover(info.releaseId, interruption);
    if (fetched)
        print(QStringLiteral("Cover: %1 (%2)").arg(fetched->source, fetched->sizeText()));
    else if (fetched.error().number() == coverarchive::CoverFetch::noCover)
        print(QStringLiteral("Cover: none (%1)").arg(fetched.error().description()));
    else
        print(QStringLiteral("Cover: unknown (%1)").arg(fetched.error().description()));
}

int reportCoverFile(const RipEnding& ending) {
    if (!ending.coverFile)
        return 0;
    const Result<cover::SavedFile>& saved = *ending.coverFile;
    if (!saved)
        return fail(saved.error().description());
    if (saved->skipped) {
        say(tr("mp3vortan-cli: %1 is there already; it was kept and no cover file was written")
                .arg(saved->path));
        return 0;
    }
    print(saved->path);
    return 0;
}

} // namespace cli
