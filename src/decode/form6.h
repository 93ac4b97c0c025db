#pragma once

#include <QObject>
#include <QString>

class ActiveMP3;
class QTimer;

// The hidden decoder window: hosts the decoder control ActiveMP31 for the one file named
// by CurrentFile, starts it, polls it every 500 ms (Timer2), mirrors its progress through
// progressChanged, and unloads itself when the control is done or the batch is stopped.
// Unloading stops the control and clears DecodingActive, which ends the batch's wait.
// It is never shown (it needs no widget); a fresh one serves each file.
//
// No start, no wait: when no decode can be started for the file (StopRequested already
// set, 99 bytes or less, not decodable, output not writable), the window unloads at once
// from Form_Load, so nobody waits for a decode that never began.
//
// GUI thread only.
class Form6 : public QObject {
    Q_OBJECT
public:
    explicit Form6(QObject* parent = nullptr);
    ~Form6() override; // unloads when still loaded

    // Load: unloads at once when StopRequested is set; otherwise sets DecodingActive, enables
    // Timer1 and calls StartMP3.
    void Form_Load();
    // Starts decoding CurrentFile into decodedWavPath(CurrentFile) when it is longer than 99
    // bytes, enabling Timer2. Once a decode has begun for this window, a further start does
    // nothing: the output already has its one writer. A start that fails unloads the window.
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

    QString output_;
    bool loaded_ = false;
    bool started_ = false;
};
