#include "encode/mp3fileencoder.h"

#include "encode/mp3output.h"
#include "formats/clsfileio.h"
#include "formats/wavreader.h"

#include <optional>
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

} // namespace

EncodeOutcome encodeWavToMp3(const EncodeRequest& request, const std::function<bool()>& cancelled,
                             const std::function<void(double)>& progress) {
    EncodeOutcome out;
    auto fail = [&out](VortanError error) {
        out.status = EncodeOutcome::Status::Failed;
        out.error = std::move(error);
        return out;
    };

    const Result<WavFormat> format = readWavFormat(request.sourcePath);
    if (!format)
        return fail(
            VortanError(VortanError::InvalidArgument, source(), format.error().description()));
    const WavFormat& wav = format.value();
    if (!wav.isPcm16() || wav.channels > 2 || wav.blockAlign != wav.channels * 2)
        return fail(VortanError(
            VortanError::InvalidArgument, source(),
            QStringLiteral("%1: only 16-bit PCM audio in one or two channels can be encoded "
                           "(this file holds %2-bit audio in %3 channels, format %4)")
                .arg(request.sourcePath)
                .arg(wav.bitsPerSample)
                .arg(wav.channels)
                .arg(wav.formatTag)));
    // A trailing piece of a sample frame is not audio.
    const std::int64_t total = wav.dataLength - wav.dataLength % wav.blockAlign;
    out.audioBytes = total;
    if (total == 0)
        return fail(VortanError(
            VortanError::InvalidArgument, source(),
            QStringLiteral("%1: the file holds no audio to encode").arg(request.sourcePath)));

    modLAME::EncoderConfig config = request.config;
    config.inputSampleRate = wav.sampleRate;
    config.inputChannels = wav.channels;

    clsFileIo sourceFile;
    if (!sourceFile.OpenFile(request.sourcePath, FileUse::Read))
        return fail(fileError(request.sourcePath, sourceFile.lastError));
    // Step over everything before the audio.
    std::vector<char> skip(64 * 1024);
    for (std::int64_t skipped = 0; skipped < wav.dataOffset;) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(
            wav.dataOffset - skipped, static_cast<std::int64_t>(skip.size())));
        if (!sourceFile.ReadBytes(skip.data(), want))
            return fail(fileError(request.sourcePath, sourceFile.lastError));
        if (sourceFile.bytesTransferred <= 0)
            return fail(shrankError(request.sourcePath));
        skipped += sourceFile.bytesTransferred;
    }

    auto opened = Mp3Output::open(config, request.outputPath, source());
    if (!opened)
        return fail(opened.error());
    out.outputCreated = true;
    Mp3Output& mp3 = *opened.value();
    std::vector<std::int16_t> input(mp3.maxSamplesPerCall());
    const std::size_t chunkBytes = input.size() * sizeof(std::int16_t);

    // From here on a failure of the source still ends the MP3 properly. The output failing
    // to take the MP3 is what is reported when it happens; otherwise the first failure.
    std::optional<VortanError> failure;
    std::int64_t done = 0;
    while (done < total && !failure) {
        const auto block = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(chunkBytes), total - done));
        if (!sourceFile.ReadBytes(input.data(), block)) {
            failure = fileError(request.sourcePath, sourceFile.lastError);
            break;
        }
        auto got = static_cast<std::size_t>(sourceFile.bytesTransferred);
        if (got < block) {
            // The file shrank under us: encode the whole frames that are there and end.
            got -= got % wav.blockAlign;
            failure = shrankError(request.sourcePath);
        }
        done += static_cast<std::int64_t>(got);

        const auto samples = static_cast<std::uint32_t>(got / sizeof(std::int16_t));
        if (auto error = mp3.encode(input.data(), samples)) {
            mp3.finish();
            out.bytesWritten = mp3.bytesWritten();
            return fail(std::move(*error));
        }
        out.bytesEncoded = done;
        if (auto error = mp3.commit()) {
            mp3.finish();
            out.bytesWritten = mp3.bytesWritten();
            return fail(std::move(*error));
        }
        if (progress)
            progress(static_cast<double>(done) / static_cast<double>(total) * 100.0);
        if (cancelled && cancelled())
            break;
    }

    if (auto ended = mp3.finish(); ended && (!failure || mp3.fileFailed()))
        failure = std::move(ended);
    out.bytesWritten = mp3.bytesWritten();
    // Closing a file that was only read loses nothing, whatever the system answers.
    sourceFile.CloseFile();
    if (failure)
        return fail(std::move(*failure));
    out.status = done < total ? EncodeOutcome::Status::Cancelled : EncodeOutcome::Status::Completed;
    return out;
}
