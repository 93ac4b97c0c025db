#include "engine/cd/capturejob.h"

#include "engine/formats/outputfile.h"
#include "engine/formats/wavreader.h"
#include "engine/platform/mci/mci.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

CaptureFormat CaptureFormat::fromPreference(int audioFormat) {
    CaptureFormat f;
    if (audioFormat != 0 && audioFormat != 1)
        return f;
    f.samplesPerSecond = 44100;
    f.channels = audioFormat == 0 ? 1 : 2;
    f.bitsPerSample = 16;
    f.blockAlign = f.channels * f.bitsPerSample / 8;
    f.bytesPerSecond = f.blockAlign * f.samplesPerSecond;
    return f;
}

QString CaptureFormat::setCommand() const {
    return QStringLiteral("set capture samplespersec %1 channels %2 bitspersample %3 alignment %4 "
                          "bytespersec %5")
        .arg(samplesPerSecond)
        .arg(channels)
        .arg(bitsPerSample)
        .arg(blockAlign)
        .arg(bytesPerSecond);
}

TrackSpan TrackSpan::of(int track, int trackCount, const std::vector<std::int32_t>& lengthsMs) {
    const int lastNumbered = static_cast<int>(lengthsMs.size()) - 1;
    auto length = [&lengthsMs](int i) -> std::int64_t {
        return i >= 1 && static_cast<std::size_t>(i) < lengthsMs.size()
                   ? lengthsMs[static_cast<std::size_t>(i)]
                   : 0;
    };
    // The table is indexed by the disc's own numbers: the tracks before `track` are the ones
    // of lower numbers (a disc whose first track is 5 has no length at 1..4).
    TrackSpan span;
    for (int i = 1; i < track && i <= std::max(trackCount, lastNumbered); ++i)
        span.startMs += length(i);
    span.endMs = span.startMs + length(track);
    return span;
}

namespace {

std::uint32_t send(const QString& command) {
    return mci::send(command).code;
}

// A command that answers with a path: the reply buffer takes the longest path there is.
mci::Reply sendForPath(const QString& command) {
    std::vector<char> reply(PATH_MAX + 1, 0);
    mci::Reply answer;
    answer.code = mci::mciSendStringA(command.toUtf8().constData(), reply.data(),
                                      static_cast<std::uint32_t>(reply.size()), nullptr);
    answer.text = mci::replyText(reply.data(), static_cast<std::uint32_t>(reply.size()));
    return answer;
}

} // namespace

std::shared_ptr<const LoudnessMeter> measureWav(const QString& path) {
    const auto format = readWavFormat(path);
    if (!format || !format->isPcm16() || format->channels < 1)
        return nullptr;
    auto meter = LoudnessMeter::make(format->channels, format->sampleRate);
    QFile file(path);
    if (!meter || !file.open(QIODevice::ReadOnly) || !file.seek(format->dataOffset))
        return nullptr;
    const qint64 frameBytes = qint64{format->channels} * 2;
    std::vector<std::int16_t> samples;
    for (qint64 left = format->dataLength - format->dataLength % frameBytes; left > 0;) {
        const QByteArray piece = file.read(std::min<qint64>(left, frameBytes * 65536));
        if (piece.size() < frameBytes)
            return nullptr;
        const qsizetype whole = piece.size() - piece.size() % frameBytes;
        samples.resize(static_cast<std::size_t>(whole / 2));
        std::memcpy(samples.data(), piece.constData(), static_cast<std::size_t>(whole));
        if (meter.value()->add(samples.data(), samples.size()))
            return nullptr;
        left -= whole;
    }
    return std::shared_ptr<const LoudnessMeter>(std::move(meter.value()));
}

CaptureJob::CaptureJob(std::shared_ptr<const std::vector<TrackSpan>> spans,
                       std::shared_ptr<std::vector<QString>> outputs, CaptureFormat format,
                       std::chrono::milliseconds watchInterval, QObject* parent)
    : FileJob(parent), spans_(std::move(spans)), outputs_(std::move(outputs)), format_(format),
      tick_(new QTimer(this)) {
    tick_->setInterval(watchInterval);
    connect(tick_, &QTimer::timeout, this, &CaptureJob::onTick);
}

CaptureJob::~CaptureJob() {
    if (running_)
        finish(JobResult::Status::Cancelled);
}

void CaptureJob::start(const WorkItem& item) {
    wantedPath_.clear();
    index_ = item.index;
    result_ = {};
    span_ = item.index >= 0 && static_cast<std::size_t>(item.index) < spans_->size()
                ? (*spans_)[static_cast<std::size_t>(item.index)]
                : TrackSpan{};
    QString refusal;
    if (span_.endMs < 1 || span_.endMs <= span_.startMs)
        refusal = QStringLiteral("%1: the track has no length on the disc").arg(item.output);
    // The destination must take a file before anything is recorded.
    if (refusal.isEmpty()) {
        if (auto probe = outputfile::PendingOutput::create(item.output))
            probe.value()->discard();
        else
            refusal = probe.error().description();
    }
    if (!refusal.isEmpty()) {
        result_.status = JobResult::Status::Failed;
        result_.reason = refusal;
        QMetaObject::invokeMethod(this, &FileJob::finished, Qt::QueuedConnection);
        return;
    }
    wantedPath_ = item.output;
    running_ = true;
    if (send(QStringLiteral("open new type waveaudio alias capture")) != mci::Success)
        return fail(QStringLiteral("Error opening waveaudio"));
    if (send(format_.setCommand()) != mci::Success)
        return fail(QStringLiteral("Error setting capture recording paramaters"));
    // The recording is made in the destination folder, so that saving it there puts it at its
    // name without copying it. Should the folder be refused, the device keeps its own.
    send(QStringLiteral("set capture folder ") + QFileInfo(wantedPath_).absolutePath());
    if (send(QStringLiteral("open cdaudio alias cd")) != mci::Success)
        return fail(QStringLiteral("Error opening cd!"));
    send(QStringLiteral("set cd time format milliseconds"));
    // Recording begins before playback, so the track's first moment is not lost.
    send(QStringLiteral("record capture overwrite"));
    const QString play = span_.startMs != 0 ? QStringLiteral("play cd from %1").arg(span_.startMs)
                                            : QStringLiteral("play cd");
    if (send(play) != mci::Success)
        return fail(QStringLiteral("Error playing cd!"));
    tick_->start();
}

void CaptureJob::fail(const QString& message) {
    // Nothing was recorded: the devices are closed and no file is saved.
    for (const char* command : {"stop capture", "stop cd", "close capture", "close cd"})
        send(QString::fromLatin1(command));
    running_ = false;
    result_.status = JobResult::Status::NotStarted;
    result_.reason = message;
    result_.alert = message;
    QMetaObject::invokeMethod(this, &FileJob::finished, Qt::QueuedConnection);
}

void CaptureJob::onTick() {
    const mci::Reply position = mci::send(QStringLiteral("status cd position"));
    const double p = position.text.toDouble();
    const double done = (p - static_cast<double>(span_.startMs)) /
                        static_cast<double>(span_.endMs - span_.startMs) * 100.0;
    const int percent = static_cast<int>(std::floor(std::clamp(done, 0.0, 100.0)));
    emit progressChanged(QStringLiteral("%1%").arg(percent), percent);
    if (p < static_cast<double>(span_.endMs))
        return;
    // The watch comes up to a tick late, and by then the next track sounds: the recording
    // keeps what it held when the position was at the track's end.
    const mci::Reply recorded = mci::send(QStringLiteral("status capture position"));
    bool known = false;
    const double recordedMs = recorded.text.toDouble(&known);
    const double overshootMs = p - static_cast<double>(span_.endMs);
    finish(JobResult::Status::Completed,
           recorded.code == mci::Success && known
               ? std::optional<std::int64_t>(
                     static_cast<std::int64_t>(std::max(0.0, recordedMs - overshootMs)))
               : std::nullopt);
}

void CaptureJob::cancel() {
    if (running_)
        finish(JobResult::Status::Cancelled);
}

void CaptureJob::finish(JobResult::Status status, std::optional<std::int64_t> keepMs) {
    running_ = false;
    tick_->stop();
    // A recording that ended by itself (its file took no more, the input failed) holds less
    // than it should: what it holds is saved, and the track is not counted as done.
    const bool endedEarly =
        mci::send(QStringLiteral("status capture mode")).text != QStringLiteral("recording");
    send(QStringLiteral("stop capture"));
    send(QStringLiteral("stop cd"));
    // The watch comes up to a tick late: what was recorded after the track's end goes.
    const bool cut =
        !keepMs || send(QStringLiteral("delete capture from %1").arg(*keepMs)) == mci::Success;
    const mci::Reply saved =
        cut ? sendForPath(QStringLiteral("save capture ") + wantedPath_) : mci::Reply{};
    send(QStringLiteral("close capture"));
    send(QStringLiteral("close cd"));
    result_.status = status;
    if (!cut) {
        result_.status = JobResult::Status::Failed;
        result_.reason = QStringLiteral("%1: the recording could not be ended at the track's end")
                             .arg(wantedPath_);
    } else if (saved.code != mci::Success || saved.text.isEmpty()) {
        result_.status = JobResult::Status::Failed;
        result_.reason = QStringLiteral("%1: the recording could not be saved").arg(wantedPath_);
    } else {
        if (outputs_ && index_ >= 0 && static_cast<std::size_t>(index_) < outputs_->size())
            (*outputs_)[static_cast<std::size_t>(index_)] = saved.text;
        if (endedEarly) {
            result_.status = JobResult::Status::Failed;
            result_.reason =
                QStringLiteral("%1: the recording stopped before the track's end").arg(saved.text);
        }
    }
    wantedPath_.clear();
    QMetaObject::invokeMethod(this, &FileJob::finished, Qt::QueuedConnection);
}
