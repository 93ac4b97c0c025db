#include "engine/encode/mp3fileencoder.h"

#include "engine/encode/backgroundmeter.h"
#include "engine/encode/mp3output.h"
#include "engine/encode/mp3tagging.h"
#include "engine/formats/audiolength.h"
#include "engine/formats/clsfileio.h"
#include "engine/formats/outputfile.h"
#include "engine/formats/wavreader.h"

#include <QFileInfo>

#include <cerrno>
#include <cmath>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

const QString source() {
    return QStringLiteral("EncodeFile");
}

VortanError fileError(const QString& what, int error) {
    return VortanError(VortanError::PathAccess, source(),
                       QStringLiteral("%1: %2").arg(what, fileErrorText(error)));
}

VortanError shrankError(const QString& path) {
    return VortanError(
        VortanError::PathAccess, source(),
        QStringLiteral("%1: the file became shorter while it was encoded").arg(path));
}

QString codingName(const WavFormat& wav) {
    if (wav.formatTag == WavFormat::extensibleTag)
        return QStringLiteral("%1, subformat %2").arg(wav.formatTag).arg(wav.subFormatTag);
    return QString::number(wav.formatTag);
}

// A sample the encoder is handed from a floating-point source: full scale is the most an
// integer source can hold and what decoders clip at, and libmp3lame's analysis is not made
// for values beyond any scale, so larger values are held at full scale and a value that is
// not a number (a damaged file) is silence.
float fullScale(double sample) {
    if (sample >= -1.0 && sample <= 1.0)
        return static_cast<float>(sample);
    return std::isnan(sample) ? 0.0F : sample < 0 ? -1.0F : 1.0F;
}

// Hands `samples` to the encoder and to the meter, when there is one.
template <typename Sample>
std::optional<VortanError> encodeAndMeasure(Mp3Output& mp3, BackgroundMeter* meter,
                                            const Sample* samples, std::uint32_t count) {
    if (meter)
        meter->add(samples, count);
    return mp3.encode(samples, count);
}

// The tag of the MP3 of `sourcePath`: the WAV's own title, artist and album where its INFO
// list gives them, else the file's name as the title; the track's ReplayGain.
id3tag::TagFields tagFieldsFor(const QString& sourcePath, const LoudnessMeter* meter) {
    const WavInfoTexts texts = readWavInfoTexts(sourcePath);
    id3tag::TagFields fields;
    fields.title = texts.title.isEmpty() ? QFileInfo(sourcePath).completeBaseName() : texts.title;
    fields.artist = texts.artist;
    fields.album = texts.album;
    setReplayGain(fields, meter ? meter->replayGain() : std::nullopt, std::nullopt);
    return fields;
}

// One chunk of the source at a time, as the encoder takes it: the file's bytes are read to
// target(), then encode() hands them to the encoder. 16-bit and 32-bit integer samples and
// 32-bit floats are read straight into the encoder's input; 8- and 24-bit samples are widened
// into the high bits of 32 (unsigned 8-bit around 128), which encodes them exactly, and 64-bit
// floats are narrowed to 32 bits, the precision the encoder computes in.
class SourceChunk {
  public:
    // `type` is a supported one; `sampleBytes` its width.
    SourceChunk(WavSampleType type, int sampleBytes, std::uint32_t maxSamples)
        : type_(type), sampleBytes_(static_cast<std::size_t>(sampleBytes)),
          capacityBytes_(maxSamples * sampleBytes_) {
        switch (type_) {
        case WavSampleType::Int16:
            int16_.resize(maxSamples);
            target_ = int16_.data();
            break;
        case WavSampleType::Int8:
        case WavSampleType::Int24:
            packed_.resize(capacityBytes_);
            int32_.resize(maxSamples);
            target_ = packed_.data();
            break;
        case WavSampleType::Int32:
            int32_.resize(maxSamples);
            target_ = int32_.data();
            break;
        case WavSampleType::Float64:
            double_.resize(maxSamples);
            float_.resize(maxSamples);
            target_ = double_.data();
            break;
        case WavSampleType::Float32:
        case WavSampleType::Unsupported:
            float_.resize(maxSamples);
            target_ = float_.data();
            break;
        }
    }

    // Where one chunk's bytes are read to, capacityBytes() at most: whole samples.
    void* target() const { return target_; }
    std::size_t capacityBytes() const { return capacityBytes_; }

    // Encodes the first `bytes` bytes read, a whole number of samples, and measures them
    // with `meter` (when there is one) as the encoder takes them.
    std::optional<VortanError> encode(Mp3Output& mp3, BackgroundMeter* meter, std::size_t bytes) {
        const std::size_t count = bytes / sampleBytes_;
        const auto samples = static_cast<std::uint32_t>(count);
        switch (type_) {
        case WavSampleType::Int16:
            return encodeAndMeasure(mp3, meter, int16_.data(), samples);
        case WavSampleType::Int8:
            for (std::size_t i = 0; i < count; ++i)
                int32_[i] = (static_cast<std::int32_t>(packed_[i]) - 128) * (1 << 24);
            return encodeAndMeasure(mp3, meter, int32_.data(), samples);
        case WavSampleType::Int24:
            for (std::size_t i = 0; i < count; ++i) {
                const unsigned char* b = packed_.data() + 3 * i;
                int32_[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(b[0]) << 8 |
                                                      static_cast<std::uint32_t>(b[1]) << 16 |
                                                      static_cast<std::uint32_t>(b[2]) << 24);
            }
            return encodeAndMeasure(mp3, meter, int32_.data(), samples);
        case WavSampleType::Int32:
            return encodeAndMeasure(mp3, meter, int32_.data(), samples);
        case WavSampleType::Float64:
            for (std::size_t i = 0; i < count; ++i)
                float_[i] = fullScale(double_[i]);
            return encodeAndMeasure(mp3, meter, float_.data(), samples);
        case WavSampleType::Float32:
        case WavSampleType::Unsupported:
            for (std::size_t i = 0; i < count; ++i)
                float_[i] = fullScale(float_[i]);
            return encodeAndMeasure(mp3, meter, float_.data(), samples);
        }
        return std::nullopt;
    }

  private:
    WavSampleType type_;
    std::size_t sampleBytes_;
    std::size_t capacityBytes_;
    void* target_ = nullptr;
    std::vector<std::int16_t> int16_;
    std::vector<unsigned char> packed_;
    std::vector<std::int32_t> int32_;
    std::vector<double> double_;
    std::vector<float> float_;
};

// The source's format when the encoder can take its audio; else why not, naming the file.
// `audioBytes` gets the audio's length in whole sample frames.
Result<WavFormat> acceptedSource(const QString& path, std::int64_t& audioBytes) {
    Result<WavFormat> format = readWavFormat(path);
    if (!format)
        return VortanError(VortanError::InvalidArgument, source(), format.error().description());
    const WavFormat& wav = format.value();
    if (wav.sampleType() == WavSampleType::Unsupported || wav.channels > 2)
        return VortanError(
            VortanError::InvalidArgument, source(),
            QStringLiteral("%1: only PCM (8-, 16-, 24- or 32-bit) or floating-point (32- or "
                           "64-bit) audio in one or two channels can be encoded (this file "
                           "holds %2-bit audio in %3 channels, format %4)")
                .arg(path)
                .arg(wav.bitsPerSample)
                .arg(wav.channels)
                .arg(codingName(wav)));
    // A trailing piece of a sample frame is not audio.
    audioBytes = wav.dataLength - wav.dataLength % wav.blockAlign;
    if (audioBytes == 0)
        return VortanError(VortanError::InvalidArgument, source(),
                           QStringLiteral("%1: the file holds no audio to encode").arg(path));
    return format;
}

// Opens the source and steps over everything before its audio.
std::optional<VortanError> openAtAudio(clsFileIo& file, const QString& path, const WavFormat& wav) {
    if (!file.OpenFile(path, FileUse::Read))
        return fileError(path, file.lastError);
    std::vector<char> skip(64 * 1024);
    for (std::int64_t skipped = 0; skipped < wav.dataOffset;) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(
            wav.dataOffset - skipped, static_cast<std::int64_t>(skip.size())));
        if (!file.ReadBytes(skip.data(), want))
            return fileError(path, file.lastError);
        if (file.bytesTransferred <= 0)
            return shrankError(path);
        skipped += file.bytesTransferred;
    }
    return std::nullopt;
}

// How the chunk loop ended.
struct ChunksEnd {
    std::int64_t done = 0;                    // audio bytes handed to the encoder
    std::optional<VortanError> sourceFailure; // the source failed midway: the MP3 still ends
    std::optional<VortanError> outputFailure; // the encoder or the output failed: nothing kept
};

// Encodes the source's audio chunk by chunk, until its end, a failure, or `cancelled`
// (asked after each chunk). `out` follows the bytes encoded.
ChunksEnd encodeChunks(clsFileIo& sourceFile, const QString& sourcePath, const WavFormat& wav,
                       Mp3Output& mp3, BackgroundMeter* meter,
                       const std::function<bool()>& cancelled,
                       const std::function<void(double)>& progress, EncodeOutcome& out) {
    SourceChunk input(wav.sampleType(), wav.bitsPerSample / 8, mp3.maxSamplesPerCall());
    const std::size_t chunkBytes = input.capacityBytes();
    const std::int64_t total = out.audioBytes;
    ChunksEnd end;
    while (end.done < total && !end.sourceFailure) {
        const auto block = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(chunkBytes), total - end.done));
        if (!sourceFile.ReadBytes(input.target(), block)) {
            end.sourceFailure = fileError(sourcePath, sourceFile.lastError);
            break;
        }
        auto got = static_cast<std::size_t>(sourceFile.bytesTransferred);
        if (got < block) {
            // The file shrank under us: encode the whole frames that are there and end.
            got -= got % wav.blockAlign;
            end.sourceFailure = shrankError(sourcePath);
        }
        end.done += static_cast<std::int64_t>(got);
        if (auto error = input.encode(mp3, meter, got)) {
            end.outputFailure = std::move(error);
            break;
        }
        out.bytesEncoded = end.done;
        if (auto error = mp3.commit()) {
            end.outputFailure = std::move(error);
            break;
        }
        if (progress)
            progress(static_cast<double>(end.done) / static_cast<double>(total) * 100.0);
        if (cancelled && cancelled())
            break;
    }
    return end;
}

EncodeOutcome failed(EncodeOutcome out, VortanError error) {
    out.status = EncodeOutcome::Status::Failed;
    out.error = std::move(error);
    return out;
}

// After the chunks: ends the MP3, tags it and puts it at its name, and says how the file
// ended. A failure of the source still ends the MP3 properly; an encoder or output failure
// leaves nothing (the temporary file goes).
EncodeOutcome endMp3(const EncodeRequest& request, const WavFormat& wav, ChunksEnd chunks,
                     Mp3Output& mp3, outputfile::PendingOutput& output, BackgroundMeter* meter,
                     EncodeOutcome out) {
    if (chunks.outputFailure) {
        mp3.finish();
        out.bytesWritten = mp3.bytesWritten();
        return failed(std::move(out), std::move(*chunks.outputFailure));
    }
    const std::optional<VortanError> ended = mp3.finish();
    out.bytesWritten = mp3.bytesWritten();
    // The output failing to take the MP3 is what is reported; otherwise the first failure.
    if (ended && (!chunks.sourceFailure || mp3.fileFailed()))
        return failed(std::move(out), *ended);

    // What was encoded ended properly: the MP3 is tagged whether it holds the whole source or
    // was ended early (cancelled, or its source failed midway), with the ReplayGain of the
    // audio it holds. The tag goes in front of the finished stream, before the rename.
    const std::unique_ptr<LoudnessMeter> measured = meter ? meter->finish() : nullptr;
    const auto tagged = id3tag::writeTag(output.fd(), request.outputPath,
                                         tagFieldsFor(request.sourcePath, measured.get()));
    if (!tagged)
        return failed(std::move(out), tagged.error());
    out.bytesWritten += tagged.value();
    int outputError = 0;
    const Result<QString> published = output.commit(&outputError);
    if (!published)
        return failed(std::move(out), fileError(request.outputPath, outputError));
    out.outputPath = published.value();

    if (chunks.sourceFailure)
        return failed(std::move(out), std::move(*chunks.sourceFailure));
    if (chunks.done < out.audioBytes) {
        out.status = EncodeOutcome::Status::Cancelled;
        return out;
    }
    // A source whose header announces more audio than it holds: what it holds is in the MP3,
    // but the file counts as failed, so that it is never taken for a whole conversion.
    if (wav.dataTruncated)
        return failed(std::move(out),
                      VortanError(VortanError::InvalidArgument, source(),
                                  audiolength::incompleteSource(
                                      request.sourcePath, wav.durationMs(out.audioBytes),
                                      wav.durationMs(wav.announcedDataLength))));
    out.status = EncodeOutcome::Status::Completed;
    return out;
}

} // namespace

EncodeOutcome encodeWavToMp3(const EncodeRequest& request, const std::function<bool()>& cancelled,
                             const std::function<void(double)>& progress) {
    EncodeOutcome out;
    const Result<WavFormat> format = acceptedSource(request.sourcePath, out.audioBytes);
    if (!format)
        return failed(std::move(out), format.error());
    const WavFormat& wav = format.value();
    modLAME::EncoderConfig config = request.config;
    config.inputSampleRate = wav.sampleRate;
    config.inputChannels = wav.channels;

    clsFileIo sourceFile;
    if (auto error = openAtAudio(sourceFile, request.sourcePath, wav))
        return failed(std::move(out), std::move(*error));

    // Without a meter (a rate the library cannot measure, or a meter that failed) the MP3
    // gets no ReplayGain.
    auto made = LoudnessMeter::make(wav.channels, wav.sampleRate);
    std::unique_ptr<BackgroundMeter> meter =
        made ? std::make_unique<BackgroundMeter>(std::move(made.value())) : nullptr;

    // The MP3 is written under a temporary name beside the wanted one and takes its name only
    // once it is complete (tagged, on the disk): a crash leaves no half-file at that name.
    int outputError = 0;
    auto pending = outputfile::PendingOutput::create(request.outputPath, &outputError);
    if (!pending)
        return failed(std::move(out), fileError(request.outputPath, outputError));
    // The encoder's writer closes its own descriptor; the pending output keeps its own.
    const int outputFd = ::dup(pending.value()->fd());
    if (outputFd < 0)
        return failed(std::move(out), fileError(request.outputPath, errno));
    auto opened = Mp3Output::open(config, outputFd, request.outputPath, source());
    if (!opened)
        return failed(std::move(out), opened.error());
    out.outputCreated = true;

    ChunksEnd chunks = encodeChunks(sourceFile, request.sourcePath, wav, *opened.value(),
                                    meter.get(), cancelled, progress, out);
    // Closing a file that was only read loses nothing, whatever the system answers.
    sourceFile.CloseFile();
    return endMp3(request, wav, std::move(chunks), *opened.value(), *pending.value(), meter.get(),
                  std::move(out));
}
