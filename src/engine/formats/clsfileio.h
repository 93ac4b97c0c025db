#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// What an open is for. The class serves one file for one job, so the caller says which:
//  - Write: the file is created if missing and cut to zero length, so output written over a
//    longer old file never keeps the old tail. It is locked exclusively (flock): a second
//    writer of the same file, in this process or another, fails until the first closes it;
//  - Read: an existing file is opened read-only and left as it is; a missing one fails. It
//    takes a shared lock: any number of readers (two encodes of one WAV) read at once, and
//    only a file some writer holds is refused.
enum class FileUse { Read, Write };

// Raw, unbuffered file traffic of the audio engine. Every write is flushed to the disk
// (fdatasync) before it returns, and only counts as done when the flush succeeded too, so
// callers write in large blocks. After a failed operation `lastError` holds the system's
// error number (errno) of that failure, for reporting the reason.
//
// Lives on the thread of the job that owns it; not shared between threads.
class clsFileIo {
  public:
    clsFileIo() = default;
    ~clsFileIo(); // closes a file still open
    clsFileIo(const clsFileIo&) = delete;
    clsFileIo& operator=(const clsFileIo&) = delete;

    bool OpenFile(const QString& FileN, FileUse use);
    // Takes over `fd`, an open file (an output made by outputfile::createTemporary, or a
    // duplicate of one), to be written and closed like an opened one; `name` names it in
    // messages. False (and `fd` closed) for an invalid descriptor.
    bool adopt(int fd, const QString& name);
    // Closes the open file; true when the system's close succeeded. False when no file is
    // open (never opened, or closed already: a second close closes nothing).
    bool CloseFile();
    bool FlushBuffers();
    // Writes the 44-byte CD-format WAV header announcing `Lenght` data bytes at the current
    // position, then flushes; true when both succeeded. Throws VortanError (overflow) for a
    // negative length or one whose RIFF size cannot be represented, before writing anything.
    bool writeWavHeader(std::int32_t Lenght);
    // Writes all `Size` bytes at the current position, then flushes; true when both
    // succeeded.
    bool WriteBytes(const void* Pointer, std::size_t Size);
    // Writes all `size` bytes at file offset `offset` without moving the current position
    // (to rewrite the start of a written file), then flushes; true when both succeeded.
    bool WriteBytesAt(std::int64_t offset, const void* data, std::size_t size);
    // Reads up to `bytes` bytes; nonzero on success, also at end of file with fewer bytes.
    // Bytes of the buffer beyond those read keep their content.
    int ReadBytes(void* Pointer, std::size_t bytes);

    // The largest data length writeWavHeader accepts.
    static constexpr std::int32_t maxWavDataLength = 2147483603;

    int handle = 0;                    // 0 before any open, -1 after a failed open
    int lastResult = 0;                // nonzero: the last write/flush/close succeeded
    int lastError = 0;                 // errno of the last failed operation; 0 before any
    std::int64_t bytesTransferred = 0; // bytes moved by the last read or write
    QString fileName;                  // empty until an open succeeds

  private:
    bool isOpen() const { return !closed_ && !fileName.isEmpty() && handle != -1; }
    // A negative offset writes at the current position.
    bool writeAll(const void* data, std::size_t size, std::int64_t offset);
    bool writeAndFlush(const void* data, std::size_t size, std::int64_t offset);
    bool fail(int error); // records `error` (EIO when 0) in lastError; false
    bool closed_ = true;
};

// The readable reason for a failed file operation's errno ("the file is in use" for the
// exclusive lock, whose system text would not say why); EIO's text for 0.
QString fileErrorText(int error);

// A canonical 44-byte header of 16-bit PCM: "RIFF", "WAVE", a 16-byte "fmt " chunk, then
// "data" with `dataLength` bytes following at offset 44.
struct WavHeaderBytes {
    unsigned char bytes[44];
};
WavHeaderBytes makePcm16WavHeader(std::uint16_t channels, std::uint32_t sampleRate,
                                  std::uint32_t dataLength);
// The CD-format header: 2 channels, 44,100 Hz.
inline WavHeaderBytes makeCdWavHeader(std::uint32_t dataLength) {
    return makePcm16WavHeader(2, 44100, dataLength);
}
