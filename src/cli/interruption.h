#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace cli {

// Turns SIGINT and SIGTERM into a signal on the GUI thread, so that a batch can end the files
// under way properly (each output shorter, but a complete file) instead of dying in the middle
// of a write. The first interruption is delivered; a second one ends the process as the
// signal's default action does.
//
// One instance at a time; it lives on the thread that runs the event loop.
class Interruption : public QObject {
    Q_OBJECT
  public:
    Interruption();
    ~Interruption() override; // restores the default actions

    bool happened() const { return happened_; }

  signals:
    void interrupted();

  private:
    std::unique_ptr<QSocketNotifier> notifier_;
    bool happened_ = false;
};

} // namespace cli
