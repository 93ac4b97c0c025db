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
        finish(JobResult::Status::Cancelled, false);
}

namespace {

// Steady stretches of readings: so many in a row, each within plateauSpreadMs of their
// median. While the server's clocks settle (the first second or more of a stream) the
// readings drift or scatter by tens of milliseconds; once settled they agree to a
// millisecond, and stay so unless the sound pauses (a pause moves every later reading on by
// its length). The start takes a long stretch, past the settling; the end a short one, so
// that a pause shortly before the end still moves it.
constexpr std::size_t startStretch = 5;
constexpr std::size_t endStretch = 2;
constexpr double plateauSpreadMs = 1.5;

// The sector a position in ms from the disc's start falls to: the first that starts there or
// after it (75 a second), and where that sector starts, in ms.
double sectorStartMs(std::int64_t ms) {
    const std::int64_t sector = (ms * 75 + 999) / 1000;
    return static_cast<double>(sector) * 1000.0 / 75.0;
}

double median(std::vector<double>::const_iterator first, std::vector<double>::const_iterator last) {
    std::vector<double> sorted(first, last);
    std::sort(sorted.begin(), sorted.end());
    const std::size_t n = sorted.size();
    return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0;
}

// The median of the first steady stretch of `stretch` readings (the last one, with `last`);
// without one, the median of the last readings.
std::optional<double> steadyOffset(const std::vector<double>& readings, std::size_t stretch,
                                   bool last) {
    if (readings.empty())
        return std::nullopt;
    const std::size_t n = readings.size();
    for (std::size_t k = 0; k + stretch <= n; ++k) {
        const std::size_t from = last ? n - stretch - k : k;
        const auto first = readings.begin() + static_cast<std::ptrdiff_t>(from);
        const auto end = first + static_cast<std::ptrdiff_t>(stretch);
        const double middle = median(first, end);
        if (std::all_of(first, end,
                        [middle](double r) { return std::abs(r - middle) <= plateauSpreadMs; }))
            return middle;
    }
    return median(readings.end() - static_cast<std::ptrdiff_t>(std::min(n, stretch)),
                  readings.end());
}

// The time format every position here is read and given in.
std::optional<double> positionOf(const mci::Reply& reply) {
    bool known = false;
    const double ms = reply.text.toDouble(&known);
    return reply.code == mci::Success && known ? std::optional<double>(ms) : std::nullopt;
}

} // namespace

void CaptureJob::start(const WorkItem& item) {
    wantedPath_.clear();
    index_ = item.index;
    result_ = {};
    offsets_.clear();
    span_ = item.index >= 0 && static_cast<std::size_t>(item.index) < spans_->size()
                ? (*spans_)[static_cast<std::size_t>(item.index)]
                : TrackSpan{};
    trackStartMs_ = sectorStartMs(span_.startMs);
    trackEndMs_ = sectorStartMs(span_.endMs);
    QString refusal;
    if (span_.endMs < 1 || span_.endMs <= span_.startMs)
        refusal = tr("%1: the track has no length on the disc").arg(item.output);
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
        return fail(tr("Error opening waveaudio"));
    if (send(format_.setCommand()) != mci::Success)
        return fail(tr("Error setting capture recording paramaters"));
    // The recording is made in the destination folder, so that saving it there puts it at its
    // name without copying it. Should the folder be refused, the device keeps its own.
    send(QStringLiteral("set capture folder ") + QFileInfo(wantedPath_).absolutePath());
    if (send(QStringLiteral("open cdaudio alias cd")) != mci::Success)
        return fail(tr("Error opening cd!"));
    send(QStringLiteral("set cd time format milliseconds"));
    send(QStringLiteral("set capture time format milliseconds"));
    // Recording begins before playback, so the track's first moment is recorded; the disc
    // plays the track alone and stops at its end.
    send(QStringLiteral("record capture overwrite"));
    if (send(QStringLiteral("play cd from %1 to %2").arg(span_.startMs).arg(span_.endMs)) !=
        mci::Success)
        return fail(tr("Error playing cd!"));
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

std::optional<double> CaptureJob::readOffset() const {
    // The recording's position between two play positions: when those agree, nothing held
    // this thread up between the readings, and the three are of one moment.
    const auto before = positionOf(mci::send(QStringLiteral("status cd position")));
    const auto recorded = positionOf(mci::send(QStringLiteral("status capture position")));
    const auto after = positionOf(mci::send(QStringLiteral("status cd position")));
    const bool sounding =
        mci::send(QStringLiteral("status cd mode")).text == QStringLiteral("playing");
    if (!before || !recorded || !after || !sounding || *after - *before > 1.0)
        return std::nullopt;
    // Before the track's first sample sounds the position holds at it, and once the last has
    // sounded it holds at the end: neither says when it is.
    if (*before <= trackStartMs_ + 1.0 || *after >= trackEndMs_ - 1.0)
        return std::nullopt;
    return *recorded - (*before + *after) / 2.0;
}

std::optional<double> CaptureJob::recordedStartMs() const {
    const auto offset = steadyOffset(offsets_, startStretch, false);
    return offset ? std::optional<double>(trackStartMs_ + *offset) : std::nullopt;
}

std::optional<double> CaptureJob::recordedEndMs() const {
    const auto offset = steadyOffset(offsets_, endStretch, true);
    return offset ? std::optional<double>(trackEndMs_ + *offset) : std::nullopt;
}

void CaptureJob::onTick() {
    if (const auto offset = readOffset())
        offsets_.push_back(*offset);
    // The mode first: a disc found stopped has a final position, read after it. Read the
    // other way round, a track that played out between the two looked stopped short of its
    // end by the last moment of play.
    const bool playing =
        mci::send(QStringLiteral("status cd mode")).text == QStringLiteral("playing");
    const mci::Reply position = mci::send(QStringLiteral("status cd position"));
    const double p = position.text.toDouble();
    const double done = (p - trackStartMs_) / (trackEndMs_ - trackStartMs_) * 100.0;
    const int percent = static_cast<int>(std::floor(std::clamp(done, 0.0, 100.0)));
    emit progressChanged(QStringLiteral("%1%").arg(percent), percent);
    if (!running_) // the progress's receiver stopped the batch, which ended the track
        return;
    if (playing)
        return;
    // The disc has stopped: at the track's end, or where it could be read no further.
    if (p < trackEndMs_ - 1.0)
        return finish(JobResult::Status::Completed, false,
                      tr("%1: the disc stopped playing at %2 ms of the track")
                          .arg(wantedPath_)
                          .arg(static_cast<std::int64_t>(p - trackStartMs_)));
    // The track's last sample has sounded; the recording goes on until it holds it.
    const auto end = recordedEndMs();
    const auto stored = positionOf(mci::send(QStringLiteral("status capture length")));
    const bool recording =
        mci::send(QStringLiteral("status capture mode")).text == QStringLiteral("recording");
    if (end && stored && *stored < std::ceil(*end) && recording)
        return;
    finish(JobResult::Status::Completed, true);
}

void CaptureJob::cancel() {
    if (running_)
        finish(JobResult::Status::Cancelled, false);
}

void CaptureJob::finish(JobResult::Status status, bool played, const QString& failure) {
    running_ = false;
    tick_->stop();
    // A recording that ended by itself (its file took no more, the input failed) holds less
    // than it should: what it holds is saved, and the track is not counted as done.
    const bool endedEarly =
        mci::send(QStringLiteral("status capture mode")).text != QStringLiteral("recording");
    send(QStringLiteral("stop capture"));
    send(QStringLiteral("stop cd"));
    // What was recorded before the track's first sample and, once it has played out, after
    // its last goes. A track that never placed itself (it stopped too soon) keeps everything.
    bool cut = true;
    const auto start = recordedStartMs();
    if (played) {
        const auto end = recordedEndMs();
        cut = end && send(QStringLiteral("delete capture from %1")
                              .arg(static_cast<std::int64_t>(std::llround(*end)))) == mci::Success;
    }
    if (cut && start)
        cut = send(QStringLiteral("delete capture to %1")
                       .arg(static_cast<std::int64_t>(std::llround(std::max(*start, 0.0))))) ==
              mci::Success;
    const mci::Reply saved =
        cut ? sendForPath(QStringLiteral("save capture ") + wantedPath_) : mci::Reply{};
    send(QStringLiteral("close capture"));
    send(QStringLiteral("close cd"));
    result_.status = status;
    if (!cut) {
        result_.status = JobResult::Status::Failed;
        result_.reason = tr("%1: the recording could not be cut to the track").arg(wantedPath_);
    } else if (saved.code != mci::Success || saved.text.isEmpty()) {
        result_.status = JobResult::Status::Failed;
        result_.reason = tr("%1: the recording could not be saved").arg(wantedPath_);
    } else {
        if (outputs_ && index_ >= 0 && static_cast<std::size_t>(index_) < outputs_->size())
            (*outputs_)[static_cast<std::size_t>(index_)] = saved.text;
        if (endedEarly) {
            result_.status = JobResult::Status::Failed;
            result_.reason = tr("%1: the recording stopped before the track's end").arg(saved.text);
        } else if (!failure.isEmpty()) {
            result_.status = JobResult::Status::Failed;
            result_.reason = failure;
        }
    }
    wantedPath_.clear();
    QMetaObject::invokeMethod(this, &FileJob::finished, Qt::QueuedConnection);
}
