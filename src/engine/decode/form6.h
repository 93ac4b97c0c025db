#pragma once

#include <QObject>
#include <QString>

class ActiveMP3;
class QTimer;

// The hidden decoder window: hosts the decoder control ActiveMP31 for the one file given by
// setFile, starts it, polls it every 500 ms (Timer2; its end is seen at once), mirrors its progress
// through progressChanged, and unloads itself when the control is done; Unload() ends it
// sooner. Unloading stops the control (the WAV written so far is ended properly) and clears
// DecodingActive. It is never shown (it needs no widget); a fresh one serves each file.
//
// No start, no wait: when no decode can be started for the file (99 bytes or less, not
// decodable, output not writable), the window unloads at once from Form_Load, so nobody waits
// for a decode that never began. Once unloaded, completed()
// and failure() tell how the file ended: a decode that failed (or never started) is never
// shown as "100 %".
//
// GUI thread only.
class Form6 : public QObject {
    Q_OBJECT
  public:
    explicit Form6(QObject* parent = nullptr);
    ~Form6() override; // unloads when still loaded

    // The MP3 to decode and the WAV to write; given before Form_Load.
    void setFile(const QString& mp3Path, const QString& wavPath);

    // Load: sets DecodingActive, enables Timer1 and calls StartMP3.
    void Form_Load();
    // Starts decoding the MP3 into the WAV when it is longer than 99 bytes, enabling Timer2. Once a
    // decode has begun for this window, a further start does nothing: the output already has its
    // one writer. A start that fails unloads the window.
    void StartMP3();
    // Timer1 (500 ms, one shot): the second start.
    void Timer1_Timer();
    // Timer2 (500 ms): the progress poll.
    void Timer2_Timer();
    // Unload (whatever the cause): stops the control and clears DecodingActive. Idempotent.
    void Unload();

    bool isLoaded() const { return loaded_; }
    // True once a decode has begun for this window.
    bool decodeStarted() const { return started_; }
    const QString& outputPath() const { return output_; }
    // After unloading: the WAV put in place (the wanted name, or the next number when that
    // was taken meanwhile); empty when none was kept.
    QString writtenPath() const;
    // After unloading: true when the whole MP3 was decoded and the WAV finished. Otherwise
    // failure() says why the file failed, or is empty when it was stopped on request.
    bool completed() const { return completed_; }
    const QString& failure() const { return failure_; }

    ActiveMP3* ActiveMP31 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;

  signals:
    // The main window's progress display: Label33's caption ("42%", or "100 %" at the end)
    // and ProgressBar1's value. Pending events run right after each emission.
    void progressChanged(const QString& label33Caption, int progressBarValue);
    // The window has unloaded; DecodingActive is clear.
    void unloaded();

  private:
    void finish();

    QString input_;
    QString output_;
    QString failure_;
    bool loaded_ = false;
    bool started_ = false;
    bool completed_ = false;
};
