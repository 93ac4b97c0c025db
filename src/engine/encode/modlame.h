#pragma once

#include "engine/platform/error.h"

#include <QString>
#include <QStringList>

#include <bit>
#include <cstddef>
#include <cstdint>

// The MP3 encoder binding: stream operations over libmp3lame that take a fixed 331-byte
// configuration record and answer with numeric codes. Every caller that produces MP3 (the
// file encoder, direct CD encoding) goes through these operations only.
//
// A stream starts with a LAME/Info tag frame that records the encoder delay and padding,
// so gapless-aware decoders give back exactly the samples encoded. The first bytes a stream
// delivers are that frame, blank; its content is known only once the stream is flushed:
// after beDeinitStream, beInfoTagFrame gives the bytes the caller writes over the first bytes
// of its output. libmp3lame writes the tag where it fits in one frame of the stream's bitrate
// with a seek table; where it does not (below 64 kbit/s in stereo at 44.1 and 48 kHz, and the
// low bitrates at the MPEG-2 rates), the binding reserves the frame and builds the tag itself,
// without the seek table a constant bitrate does not need, in a frame of the stream's bitrate
// or, where even that is too small, of the smallest bitrate whose frame holds it.
//
// Thread-safe: streams live in a process-wide table guarded by a mutex. One stream is used
// by one thread at a time (the job that opened it).
namespace modLAME {

static_assert(std::endian::native == std::endian::little,
              "the configuration record is read in place as little-endian fields");

// Configuration record. Cleared to zero, then the fields below set; flags are true = -1,
// false = 0 (any nonzero value counts as true). Fields marked "reserved" are ignored.
#pragma pack(push, 1)
struct EncoderConfig {
    std::uint32_t recordKind;       // must be recordKindMp3
    std::uint32_t layoutVersion;    // must be 1
    std::uint32_t recordSize;       // at least sizeof(EncoderConfig)
    std::uint32_t inputSampleRate;  // Hz of the samples passed in
    std::uint32_t outputSampleRate; // Hz of the MP3; 0 = the encoder decides
    std::int32_t channelMode;       // ChannelMode
    std::uint32_t bitrateKbps;      // constant bitrate
    std::uint32_t reserved28;
    std::int32_t qualityPreset;  // a code of the quality table, see qualityPresetCode()
    std::uint32_t mpegVersion;   // 1 = MPEG-1, 0 = MPEG-2; checked, the output rate decides
    std::uint32_t inputChannels; // 1 or 2; 0 means 2 (a cleared record describes CD audio)
    std::uint32_t reserved44;
    std::int32_t privateFlag;
    std::int32_t crcFlag;
    std::int32_t copyrightFlag;
    std::int32_t originalFlag;
    std::uint8_t reserved64[16];
    std::int32_t vbrMethod; // only -1 (none: constant bitrate) is accepted
    std::uint8_t reserved84[247];
};
#pragma pack(pop)

static_assert(sizeof(EncoderConfig) == 331);
static_assert(offsetof(EncoderConfig, recordKind) == 0);
static_assert(offsetof(EncoderConfig, layoutVersion) == 4);
static_assert(offsetof(EncoderConfig, recordSize) == 8);
static_assert(offsetof(EncoderConfig, inputSampleRate) == 12);
static_assert(offsetof(EncoderConfig, outputSampleRate) == 16);
static_assert(offsetof(EncoderConfig, channelMode) == 20);
static_assert(offsetof(EncoderConfig, bitrateKbps) == 24);
static_assert(offsetof(EncoderConfig, qualityPreset) == 32);
static_assert(offsetof(EncoderConfig, mpegVersion) == 36);
static_assert(offsetof(EncoderConfig, inputChannels) == 40);
static_assert(offsetof(EncoderConfig, privateFlag) == 48);
static_assert(offsetof(EncoderConfig, crcFlag) == 52);
static_assert(offsetof(EncoderConfig, copyrightFlag) == 56);
static_assert(offsetof(EncoderConfig, originalFlag) == 60);
static_assert(offsetof(EncoderConfig, vbrMethod) == 80);

inline constexpr std::uint32_t recordKindMp3 = 256;
inline constexpr std::int32_t flagTrue = -1;
inline constexpr std::int32_t flagFalse = 0;
inline constexpr std::int32_t vbrNone = -1;

enum ChannelMode : std::int32_t { Stereo = 0, JointStereo = 1, DualChannel = 2, Mono = 3 };

// Result codes of the four operations.
enum ErrorCode : std::uint32_t {
    Successful = 0,
    InvalidFormat = 1,
    InvalidFormatParameters = 2,
    NoMoreHandles = 3,
    InvalidHandle = 4,
    BufferTooSmall = 5,
};

using StreamHandle = std::uint32_t;

// The most streams open at once; one more gives NoMoreHandles. As many as the files a batch
// may convert at once (maxFilesAtOnce), so that every file of a batch gets its encoder.
inline constexpr int maxStreams = 64;
// MPEG frames per chunk. Large chunks make the per-chunk costs of the caller (one read, one
// write with its flush, one progress update) vanish beside the encoding itself.
inline constexpr std::uint32_t framesPerChunk = 64;
inline constexpr std::uint32_t samplesPerMpegFrame = 1152;

// Opens a stream configured by `config`. On success stores the number of samples (all
// channels counted) one chunk holds, the output buffer size in bytes one chunk (or
// the final flush) can need, and the stream handle.
ErrorCode beInitStream(const EncoderConfig& config, std::uint32_t& samplesPerChunk,
                       std::uint32_t& outputBufferBytes, StreamHandle& stream);

// Encodes `sampleCount` interleaved samples (all channels counted, at most the per-chunk
// figure) from `input` into `output`, which must hold the size beInitStream reported.
// Stores the number of MP3 bytes produced (0 is normal: the encoder buffers). A sample
// count that ends inside a sample frame is fine: the odd samples wait for the next call.
ErrorCode beEncodeChunk(StreamHandle stream, std::uint32_t sampleCount, const std::int16_t* input,
                        unsigned char* output, std::uint32_t& bytesProduced);

// beEncodeChunk for 32-bit integer samples, full scale being the whole 32-bit range. Narrower
// integer samples placed in the high bits encode exactly as they would at their own width: a
// 16-bit sample s passed as s * 65536 gives the encoder the value beEncodeChunk gives it.
ErrorCode beEncodeChunkInt32(StreamHandle stream, std::uint32_t sampleCount,
                             const std::int32_t* input, unsigned char* output,
                             std::uint32_t& bytesProduced);

// beEncodeChunk for floating-point samples, full scale +-1.0. The caller keeps them finite
// and within full scale: libmp3lame ends the process on values that are not numbers or far
// beyond it.
//
// The sample type of a stream's calls may change only at the end of a whole sample frame: a
// call of another type while part of a frame waits gives InvalidFormatParameters.
ErrorCode beEncodeChunkFloat(StreamHandle stream, std::uint32_t sampleCount, const float* input,
                             unsigned char* output, std::uint32_t& bytesProduced);

// Flushes the encoder: delivers the last MP3 frames into `output`.
ErrorCode beDeinitStream(StreamHandle stream, unsigned char* output, std::uint32_t& bytesProduced);

// After beDeinitStream: stores into `output` (of the size beInitStream reported) the final
// LAME/Info tag frame, which replaces the first `bytesProduced` bytes the stream delivered.
// InvalidFormat when the stream was not flushed.
ErrorCode beInfoTagFrame(StreamHandle stream, unsigned char* output, std::uint32_t& bytesProduced);

// Releases the stream. Called last, and at once after a failing beEncodeChunk.
ErrorCode beCloseStream(StreamHandle stream);

// The text of a result code ("Invalid format parameters"...); empty for unknown codes.
QString errorText(std::uint32_t code);
// The error a nonzero result code raises: its number, source "Lame" and its text.
VortanError lameError(std::uint32_t code);

// Bitrate table: stored index 0..13 -> 32..320 kbit/s; any other index gives 160.
inline constexpr int bitrateCount = 14;
std::uint32_t bitrateForIndex(int index);
// Quality table: stored index 0..9 -> preset code; any other index gives 0 ("Normal").
std::int32_t qualityPresetCode(int index);
// The quality table's names in index order ("Low", "Normal", "High", ... "Studio"): the
// entries of every quality list the user chooses from.
QStringList qualityNames();

// What a preset code means to the encoder. Presets set the algorithmic quality and the
// audio band only; they never change the bitrate or the channel mode of the record.
struct QualitySettings {
    int algorithmicQuality; // libmp3lame's 0 (best, slowest) .. 9 (fastest)
    int lowpassHz;          // 0 = the encoder's own choice for the bitrate
    int highpassHz;         // 0 = none
};
QualitySettings qualitySettings(std::int32_t presetCode);

// A record with the fixed fields set for CD audio (44,100 Hz, 2 channels, joint stereo,
// MPEG-1, constant bitrate), the given bitrate and preset code, and all flags false.
EncoderConfig makeConfig(std::uint32_t bitrateKbps, std::int32_t qualityPreset);

} // namespace modLAME
