#include "platform/callposter.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

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
    QCoreApplication::postEvent(this, new CallEvent(std::move(call)));
}

bool CallPoster::event(QEvent* event) {
    if (event->type() != callType)
        return QObject::event(event);
    static_cast<CallEvent*>(event)->run();
    return true;
}
