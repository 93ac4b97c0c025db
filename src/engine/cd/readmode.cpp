#include "engine/cd/readmode.h"

#include "engine/cd/recordlookup.h"
#include "engine/core/settings.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>

namespace readmode {

QString nameOf(Mode mode) {
    switch (mode) {
    case Mode::Fast:
        return QStringLiteral("fast");
    case Mode::Paranoid:
        return QStringLiteral("paranoid");
    case Mode::Secure:
        break;
    }
    return QStringLiteral("secure");
}

std::optional<Mode> fromName(const QString& name) {
    const QString wanted = name.trimmed().toLower();
    for (const Mode mode : {Mode::Secure, Mode::Fast, Mode::Paranoid})
        if (wanted == nameOf(mode))
            return mode;
    return std::nullopt;
}

QString textOf(Mode mode) {
    switch (mode) {
    case Mode::Fast:
        return QCoreApplication::translate("readmode", "Fast, verified");
    case Mode::Paranoid:
        return QCoreApplication::translate("readmode", "Paranoid");
    case Mode::Secure:
        break;
    }
    return QCoreApplication::translate("readmode", "Secure");
}

Choices fromSettings() {
    Choices c;
    c.mode = fromName(RipReadMode).value_or(Mode::Secure);
    c.minimumConfidence = std::clamp<int>(MinimumConfidence, 1, 200);
    c.retryLimit = std::clamp<int>(ReadRetryLimit, 0, maxRetryLimit);
    return c;
}

RecordSource::RecordSource(const accuraterip::DiscKey& key, const QString& server, int timeoutMs)
    : answer_(std::make_shared<Answer>()),
      lookup_(new accuraterip::RecordLookup(QCoreApplication::instance())) {
    accuraterip::LookupRequest request;
    request.key = key;
    request.server = server;
    request.timeoutMs = timeoutMs;
    // The answer is kept by the shared part, which outlives the source when it comes late.
    lookup_->start(request, [answer = answer_](const accuraterip::RecordLookup::Result& got) {
        {
            std::lock_guard lock(answer->mutex);
            answer->answer = got;
        }
        answer->came.notify_all();
    });
}

RecordSource::~RecordSource() {
    // Deleted on its own thread, where its question runs: never under a running answer (the
    // application, its parent, deletes it when no event loop runs again).
    if (lookup_)
        lookup_->deleteLater();
}

std::optional<Result<accuraterip::Record>>
RecordSource::get(const std::function<bool()>& cancelled) {
    std::unique_lock lock(answer_->mutex);
    while (!answer_->answer) {
        if (cancelled && cancelled())
            return std::nullopt;
        answer_->came.wait_for(lock, std::chrono::milliseconds(50));
    }
    return answer_->answer;
}

std::optional<Result<accuraterip::Record>> RecordSource::answered() const {
    std::lock_guard lock(answer_->mutex);
    return answer_->answer;
}

Judgement judge(const Result<accuraterip::Record>& answer, int position, std::uint32_t v1,
                std::uint32_t v2, int minimumConfidence) {
    Judgement j;
    if (!answer) {
        j.kind = Judgement::NoAnswer;
        j.reason = answer.error().description();
        return j;
    }
    const accuraterip::TrackMatch match =
        position < 0 ? accuraterip::TrackMatch{}
                     : accuraterip::compare(answer.value(), position, v1, v2);
    switch (match.kind) {
    case accuraterip::TrackMatch::Accurate:
        j.confidence = match.confidence;
        j.kind =
            match.confidence >= minimumConfidence ? Judgement::Accepted : Judgement::LowConfidence;
        break;
    case accuraterip::TrackMatch::Mismatch:
        j.kind = Judgement::Mismatch;
        break;
    case accuraterip::TrackMatch::NotPresent:
        j.kind = Judgement::NotPresent;
        break;
    }
    return j;
}

QString pathText(const Judgement& first, int minimumConfidence,
                 const std::optional<Judgement>& secure) {
    const bool secureAccurate =
        secure && (secure->kind == Judgement::Accepted || secure->kind == Judgement::LowConfidence);
    switch (first.kind) {
    case Judgement::Accepted:
        return QStringLiteral("Read once, accurately ripped (confidence %1)").arg(first.confidence);
    case Judgement::LowConfidence:
        return QStringLiteral("Read once, accurately ripped at confidence %1, below the minimum of %2: "
                  "re-read securely")
            .arg(first.confidence)
            .arg(minimumConfidence);
    case Judgement::Mismatch:
        if (secureAccurate)
            return QStringLiteral("Read once, did not match: re-read securely, accurately ripped "
                      "(confidence %1)")
                .arg(secure->confidence);
        return QStringLiteral("Read once, did not match: re-read securely, still not confirmed by the "
                  "database");
    case Judgement::NotPresent:
        return QStringLiteral("Re-read securely: not in the database");
    case Judgement::NoAnswer:
        break;
    }
    return QStringLiteral("Re-read securely: the database could not be asked (%1)").arg(first.reason);
}

} // namespace readmode
