#include "engine/platform/callposter.h"

#include <QCoreApplication>
#include <QEvent>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace {

// Qt's event queue hands the event from the posting thread to the owner's thread under a
// lock of its own library, which ThreadSanitizer (when the program is built with it) cannot
// see: the hand-over is told to it here, so that it sees what the call holds as passed on,
// not raced for.
void handedOver(void* event) {
#if defined(__SANITIZE_THREAD__)
    __tsan_release(event);
#else
    (void)event;
#endif
}

void takenOver(void* event) {
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(event);
#else
    (void)event;
#endif
}

const QEvent::Type callType = static_cast<QEvent::Type>(QEvent::registerEventType());

class CallEvent final : public QEvent {
  public:
    explicit CallEvent(std::function<void()> call) : QEvent(callType), call_(std::move(call)) {}
    void run() { call_(); }

  private:
    std::function<void()> call_;
};

} // namespace

CallPoster::CallPoster(QObject* owner) : QObject(owner) {}

void CallPoster::post(std::function<void()> call) {
    auto* event = new CallEvent(std::move(call));
    handedOver(event);
    QCoreApplication::postEvent(this, event);
}

bool CallPoster::event(QEvent* event) {
    if (event->type() != callType)
        return QObject::event(event);
    takenOver(event);
    static_cast<CallEvent*>(event)->run();
    return true;
}
