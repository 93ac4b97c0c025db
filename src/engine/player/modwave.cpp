#include "engine/player/modwave.h"

#include "engine/platform/activemp3/activemp3.h"
#include "engine/platform/mci/mci.h"

#include <array>

namespace {

// Sends one command with a 128-character reply buffer filled with spaces; the reply is
// never read, only the result.
std::uint32_t sendCommand(const QString& command) {
    std::array<char, 128> reply;
    reply.fill(' ');
    return mci::mciSendStringA(command.toUtf8().constData(), reply.data(),
                               static_cast<std::uint32_t>(reply.size()), nullptr);
}

// The path goes into the command as it is, unquoted: the device takes the element up to
// the options at the end, spaces included.
void openAndPlay(const QString& device, const QString& path, const QString& alias) {
    if (sendCommand(QStringLiteral("open ") + device + QLatin1Char('!') + path +
                    QStringLiteral(" alias ") + alias) == mci::Success)
        sendCommand(QStringLiteral("play ") + alias);
}

} // namespace

namespace ModWave {

void PlayWave(const QString& path) {
    openAndPlay(QStringLiteral("waveaudio"), path, QStringLiteral("sound"));
}

void PlayMidi(const QString& path) {
    openAndPlay(QStringLiteral("sequencer"), path, QStringLiteral("midi"));
}

void PlayMp3(ActiveMP3& decoder, const QString& path) {
    decoder.setInputFile(path);
    decoder.play(); // a file that cannot play leaves nothing playing
}

void StopAllPlayback(ActiveMP3& decoder) {
    for (const char* alias : {"sound", "cd", "midi"}) {
        sendCommand(QStringLiteral("stop ") + QLatin1String(alias));
        sendCommand(QStringLiteral("close ") + QLatin1String(alias));
    }
    decoder.stop();
}

} // namespace ModWave
