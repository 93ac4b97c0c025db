#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

class QSocketNotifier;

namespace cli {

// Turns SIGINT and SIGTERM into a signal on the GUI thread, so that a batch can end the files
// under way properly (each output shorter, but a complete file) instead of dying in the middle
// of a write. The first interruption is delivered; a second one ends the process as the
// signal's default action does.
//
// Every stage of a command acts on an interruption within a moment: a stage that runs the
// event loop reacts to interrupted(); one that does not asks happened() when it ends, and one
// that may block for long (reading a disc, a file or the terminal) runs through abandonable().
//
// One instance at a time; it lives on the thread that runs the event loop.
class Interruption : public QObject {
    Q_OBJECT
  public:
    Interruption();
    ~Interruption() override; // restores the default actions

    // Whether SIGINT or SIGTERM came: true from the moment the signal arrives, whether the
    // event loop has run since or not. Safe on any thread.
    bool happened() const;

    // Runs `stage` on a thread of its own while the event loop turns, and gives its result.
    // For a stage that writes nothing the user keeps and cannot be told to stop (the CD
    // library registering an image or reading a disc, a file read whole, the terminal): when
    // an interruption comes first, or while it runs, the process says so and ends at once
    // with exit status 1, leaving the stage where it is.
    template <typename T> T abandonable(const std::function<T()>& stage) {
        std::optional<T> result;
        runAbandonable([&result, &stage] { result = stage(); });
        return std::move(*result);
    }

  signals:
    void interrupted();

  private:
    void runAbandonable(const std::function<void()>& stage);
    // Says "interrupted" on standard error, flushes what was printed and ends the process.
    [[noreturn]] static void endNow();

    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace cli
