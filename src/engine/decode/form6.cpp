#include "engine/decode/form6.h"

#include "engine/decode/decoding.h"
#include "engine/formats/mp3info.h"
#include "engine/platform/activemp3/activemp3.h"
#include "engine/platform/nativepath.h"

#include <QTimer>

#include <cmath>

std::int64_t expectedWavBytes(const QString& mp3Path) {
    Mp3HeaderRecord header;
    try {
        ReadMp3Info(mp3Path, false, true, header);
    } catch (const VortanError&) {
        return -1;
    }
    if (header.samplingFrequencyHz <= 0)
        return -1;
    const std::int64_t channels = header.mode == QLatin1String("single channel") ? 1 : 2;
    return header.durationSeconds * header.samplingFrequencyHz * channels * 2 + 44;
}

Form6::Form6(QObject* parent)
    : QObject(parent), ActiveMP31(new ActiveMP3(this)), Timer1(new QTimer(this)),
      Timer2(new QTimer(this)) {
    setObjectName(QStringLiteral("Form6"));
    ActiveMP31->setObjectName(QStringLiteral("ActiveMP31"));
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer1->setInterval(500);
    Timer1->setSingleShot(true);
    Timer2->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, &Form6::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &Form6::Timer2_Timer);
    // The end of a decode is seen at once, not at the next look of the timer.
    connect(ActiveMP31, &ActiveMP3::decodingFinished, this, &Form6::Timer2_Timer);
}

Form6::~Form6() {
    if (loaded_)
        Unload();
}

void Form6::setFile(const QString& mp3Path, const QString& wavPath) {
    input_ = mp3Path;
    output_ = wavPath;
}

QString Form6::writtenPath() const {
    return started_ ? ActiveMP31->lastOutput() : QString();
}

void Form6::Form_Load() {
    loaded_ = true;
    DecodingActive = true;
    Timer1->start();
    StartMP3();
}

void Form6::StartMP3() {
    if (!loaded_ || started_)
        return;
    if (!nativepath::isFile(input_)) {
        failure_ = tr("File not found");
    } else if (nativepath::fileSize(input_) <= 99) {
        failure_ = tr("The file is too short to hold MPEG audio");
    } else {
        Timer2->start();
        ActiveMP31->setInputFile(input_);
        started_ = ActiveMP31->decodeToFile(output_);
        if (!started_)
            failure_ = ActiveMP31->lastError();
    }
    if (!started_)
        Unload(); // nothing will ever finish this file: end the wait now
}

void Form6::Timer1_Timer() {
    Timer1->stop();
    StartMP3();
}

void Form6::Timer2_Timer() {
    if (!loaded_)
        return;
    if (!ActiveMP31->busy()) {
        Timer2->stop();
        switch (ActiveMP31->lastEnd()) {
        case ActiveMP3::DecodeEnd::Completed:
            completed_ = true;
            emit progressChanged(QStringLiteral("100 %"), 100);
            break;
        case ActiveMP3::DecodeEnd::Failed:
            failure_ = ActiveMP31->lastError();
            break;
        default:
            break;
        }
        finish();
        return;
    }
    const std::int64_t total = ActiveMP31->total();
    if (total <= 0)
        return; // nothing to measure against yet; ending here would cut the WAV short
    // Halves go to the even neighbour (the default rounding mode).
    const int percent = static_cast<int>(
        std::nearbyint(static_cast<double>(ActiveMP31->position()) / total * 100.0));
    emit progressChanged(QString::number(percent) + QLatin1Char('%'), percent);
}

void Form6::finish() {
    Timer2->stop();
    ActiveMP31->stop();
    Unload();
}

void Form6::Unload() {
    if (!loaded_)
        return;
    loaded_ = false;
    Timer1->stop();
    Timer2->stop();
    ActiveMP31->stop();
    DecodingActive = false;
    emit unloaded();
}
