#include "engine/pipeline/conversion.h"

#include "engine/encode/backgroundmeter.h"
#include "engine/formats/audiolength.h"
#include "engine/formats/clsfileio.h"
#include "engine/formats/outputfile.h"
#include "engine/formats/wavreader.h"
#include "engine/pipeline/source.h"
#include "engine/pipeline/wavencoder.h"
#include "engine/platform/id3tag/audiotags.h"
#include "engine/platform/loudness/loudnessmeter.h"

#include <algorithm>
#include <memory>
#include <sys/stat.h>

#include <QCoreApplication>

namespace pipeline {

namespace {

const QString errorSource = QStringLiteral("ConvertFile");

VortanError fileError(const QString& path, int error) {
    return VortanError(VortanError::PathAccess, errorSource,
                       QStringLiteral("%1: %2").arg(path, fileErrorText(error)));
}

VortanError noAudio(const QString& path) {
    return VortanError(
        VortanError::InvalidArgument, errorSource,
        QCoreApplication::translate("LoudnessMeter", "%1: the file holds no audio to convert")
            .arg(path));
}

audiotags::Container containerOf(OutputFormat format) {
    switch (format) {
    case OutputFormat::Wav:
        return audiotags::Container::Wav;
    case OutputFormat::Mp3:
        return audiotags::Container::Mp3;
    case OutputFormat::Flac:
        return audiotags::Container::Flac;
    case OutputFormat::Opus:
        return audiotags::Container::Opus;
    }
    return audiotags::Container::Wav;
}

// A WAV's INFO texts as the program's own reader takes them (UTF-8, or Latin-1 where they
// are not valid UTF-8, as older programs wrote them), where the tag library gave nothing:
// it drops a text that is not valid UTF-8.
void takeWavInfoTexts(const QString& path, audiotags::AudioTags& tags) {
    const WavInfoTexts texts = readWavInfoTexts(path);
    for (auto [text, field] :
         {std::pair{&texts.title, &tags.title}, std::pair{&texts.artist, &tags.artist},
          std::pair{&texts.album, &tags.album}})
        if (field->isEmpty())
            *field = *text;
}

std::int64_t millisecondsOf(std::int64_t frames, int sampleRate) {
    return sampleRate > 0 ? frames * 1000 / sampleRate : 0;
}

// One output under way: its file until it is put in place, and its encoder until it is ended.
struct Output {
    const ConvertOutput* wanted = nullptr;
    ConvertedOutput* result = nullptr;
    std::unique_ptr<outputfile::PendingOutput> file;
    std::unique_ptr<Encoder> encoder;

    bool live() const { return file != nullptr; }
};

// The first failure of the whole conversion is the one it reports.
class FirstFailure {
  public:
    void note(const VortanError& error) {
        if (!error_)
            error_ = error;
    }
    const std::optional<VortanError>& error() const { return error_; }

  private:
    std::optional<VortanError> error_;
};

// Removes `output`'s file (never put in place) and records why.
void drop(Output& output, const VortanError& why, FirstFailure& failures) {
    output.encoder.reset();
    if (output.file)
        output.file->discard();
    output.file.reset();
    output.result->error = why;
    failures.note(why);
}

// Creates the output's file and its encoder, set up for `input` before any sample is decoded.
std::optional<VortanError> begin(Output& output, const AudioFormat& input,
                                 std::int64_t expectedFrames) {
    int systemError = 0;
    auto file = outputfile::PendingOutput::create(output.wanted->path, &systemError);
    if (!file)
        return fileError(output.wanted->path, systemError);
    EncoderTarget target;
    target.fd = file.value()->fd();
    target.path = output.wanted->path;
    target.expectedFrames = expectedFrames;
    auto encoder = makeEncoder(output.wanted->format, input, output.wanted->settings, target);
    if (!encoder)
        return encoder.error(); // the file, still empty, goes with `file`
    output.file = std::move(file.value());
    output.encoder = std::move(encoder.value());
    output.result->begun = true;
    return std::nullopt;
}

// Ends `output` (its encoder, its tags unless there are none to write) and puts it at its
// name.
void complete(Output& output, const audiotags::AudioTags* tags, FirstFailure& failures) {
    if (auto error = output.encoder->finish()) {
        drop(output, *error, failures);
        return;
    }
    output.encoder.reset();
    const QString& path = output.wanted->path;
    const int fd = output.file->fd();
    if (tags) {
        if (auto error = audiotags::write(fd, path, containerOf(output.wanted->format), *tags)) {
            drop(output, *error, failures);
            return;
        }
    }
    struct stat status {};
    if (::fstat(fd, &status) == 0)
        output.result->bytesWritten = status.st_size;
    int systemError = 0;
    const Result<QString> published = output.file->commit(&systemError);
    output.file.reset();
    if (!published) {
        drop(output, fileError(path, systemError), failures);
        return;
    }
    output.result->path = published.value();
}

} // namespace

ConvertOutcome convertFile(const ConvertRequest& request, const std::function<bool()>& cancelled,
                           const std::function<void(double)>& progress) {
    ConvertOutcome outcome;
    outcome.outputs.resize(request.outputs.size());
    auto failed = [&outcome](const VortanError& error) {
        outcome.status = ConvertOutcome::Status::Failed;
        outcome.error = error;
        return outcome;
    };

    auto opened = (request.sourceOpener ? request.sourceOpener : openSource)(request.sourcePath);
    if (!opened)
        return failed(opened.error());
    Source& source = *opened.value();
    const AudioFormat format = source.format();
    outcome.sourceFormat = format;
    outcome.announcedFrames = source.announcedFrames();
    if (outcome.announcedFrames == 0)
        return failed(noAudio(request.sourcePath));
    // Held until the conversion returns. Closing a file that was only read loses nothing.
    clsFileIo sourceLock;
    if (request.lockSource && !sourceLock.OpenFile(request.sourcePath, FileUse::Read))
        return failed(fileError(request.sourcePath, sourceLock.lastError));
    audiotags::AudioTags tags;
    if (request.carryTags) {
        Result<audiotags::AudioTags> read = audiotags::read(request.sourcePath);
        if (!read)
            return failed(read.error());
        tags = std::move(read.value());
        takeWavInfoTexts(request.sourcePath, tags);
        if (tags.title.isEmpty())
            tags.title = request.defaultTitle;
        if (tags.pictures.empty() && request.pictureWhenNone)
            tags.pictures.push_back(*request.pictureWhenNone);
    }

    FirstFailure failures;
    std::vector<Output> outputs(request.outputs.size());
    bool anyLive = false;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        outputs[i].wanted = &request.outputs[i];
        outputs[i].result = &outcome.outputs[i];
        if (auto refused = begin(outputs[i], format, outcome.announcedFrames))
            drop(outputs[i], *refused, failures);
        anyLive = anyLive || outputs[i].live();
    }
    if (!anyLive)
        return failed(failures.error().value_or(
            VortanError(VortanError::InvalidArgument, errorSource,
                        QCoreApplication::translate("LoudnessMeter", "nothing to write"))));

    // An MP3 gets the loudness measured where the source does not give it, as an MP3 made
    // from a WAV file does; the other formats carry what the source has, as their reference
    // encoders do, and are not slowed by the meter. Without a meter (a format the library
    // cannot measure) no track gain is added.
    const bool mp3Asked = std::any_of(outputs.begin(), outputs.end(), [](const Output& output) {
        return output.live() && output.wanted->format == OutputFormat::Mp3;
    });
    std::unique_ptr<BackgroundMeter> meter;
    if (request.carryTags && !tags.trackGain && mp3Asked)
        if (auto made =
                LoudnessMeter::make(format.channels, static_cast<std::uint32_t>(format.sampleRate)))
            meter = std::make_unique<BackgroundMeter>(std::move(made.value()));

    const auto channels = static_cast<std::size_t>(format.channels);
    const std::int64_t blockFrames =
        request.blockFrames > 0 ? request.blockFrames : defaultBlockFrames;
    const std::int64_t progressFrames = source.expectedFrames();
    std::vector<std::int32_t> samples(static_cast<std::size_t>(blockFrames) * channels);
    bool stoppedEarly = false;
    while (anyLive) {
        const Result<std::int64_t> got = source.read(samples.data(), blockFrames);
        if (!got) {
            failures.note(got.error());
            break;
        }
        if (got.value() == 0) {
            // A source may only end short of its announced length by failing; one that does
            // not say so is incomplete all the same.
            if (outcome.announcedFrames > outcome.framesRead)
                failures.note(VortanError(
                    VortanError::InvalidArgument, errorSource,
                    audiolength::incompleteSource(
                        request.sourcePath, millisecondsOf(outcome.framesRead, format.sampleRate),
                        millisecondsOf(outcome.announcedFrames, format.sampleRate))));
            break;
        }
        const AudioBlock block{samples.data(), got.value()};
        anyLive = false;
        for (Output& output : outputs) {
            if (!output.live())
                continue;
            if (auto error = output.encoder->write(block))
                drop(output, *error, failures);
            anyLive = anyLive || output.live();
        }
        if (meter)
            meter->add(samples.data(), static_cast<std::size_t>(got.value()) * channels,
                       format.bitsPerSample);
        outcome.framesRead += got.value();
        if (progress && progressFrames > 0)
            progress(std::min(100.0, static_cast<double>(outcome.framesRead) * 100.0 /
                                         static_cast<double>(progressFrames)));
        if (cancelled && cancelled() &&
            (outcome.announcedFrames < 0 || outcome.framesRead < outcome.announcedFrames)) {
            stoppedEarly = true;
            break;
        }
    }

    // A file of no audio at all is no conversion: nothing is kept of it.
    if (outcome.framesRead == 0) {
        const VortanError why = failures.error().value_or(noAudio(request.sourcePath));
        for (Output& output : outputs)
            if (output.live())
                drop(output, why, failures);
        return failed(why);
    }
    audiotags::AudioTags mp3Tags = tags;
    if (meter) {
        const std::unique_ptr<LoudnessMeter> measured = meter->finish();
        if (const auto gain = measured ? measured->replayGain() : std::nullopt)
            mp3Tags.trackGain = audiotags::Gain{gain->gainDb, gain->peak};
    }
    for (Output& output : outputs)
        if (output.live())
            complete(output,
                     !request.carryTags                           ? nullptr
                     : output.wanted->format == OutputFormat::Mp3 ? &mp3Tags
                                                                  : &tags,
                     failures);

    if (failures.error())
        return failed(*failures.error());
    outcome.status =
        stoppedEarly ? ConvertOutcome::Status::Cancelled : ConvertOutcome::Status::Completed;
    return outcome;
}

std::int64_t expectedOutputBytes(OutputFormat format, const AudioFormat& input, std::int64_t frames,
                                 const EncoderSettings& settings) {
    if (frames < 0 || !input.valid())
        return -1;
    constexpr std::int64_t tagRoom = 16 * 1024; // FLAC's padding, a tag without a picture
    const std::int64_t pcmBytes = frames * input.channels * ((input.bitsPerSample + 7) / 8);
    const std::int64_t milliseconds = millisecondsOf(frames, input.sampleRate);
    switch (format) {
    case OutputFormat::Wav: {
        // The header and the audio exactly, and room for the INFO list.
        const WavLayout layout(input);
        constexpr std::int64_t infoRoom = 1024;
        return layout.headerBytes() + frames * layout.blockAlign() + infoRoom;
    }
    case OutputFormat::Mp3:
        return milliseconds * settings.mp3.bitrateKbps / 8 + tagRoom;
    case OutputFormat::Flac:
        return pcmBytes * 6 / 10 + tagRoom;
    case OutputFormat::Opus:
        // The Ogg pages add about 1% to the packets.
        return milliseconds * settings.opusBitrateKbps / 8 * 101 / 100 + tagRoom;
    }
    return -1;
}

} // namespace pipeline
