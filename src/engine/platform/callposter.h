#pragma once

#include <QObject>

#include <functional>

// Hands calls from any thread to the thread of its owner, to run there in order: a worker
// reports its progress and its end to the object that started it.
//
// Unlike a queued QMetaObject::invokeMethod, the posting thread lets go of the call as it
// posts it: the call (and every value it holds) is run and destroyed on the owner's thread
// only, so no part of it is ever touched by two threads. Calls still pending when the poster
// is destroyed (with its owner) are dropped.
//
// Lives on its owner's thread; post() may be called from any thread.
class CallPoster final : public QObject {
  public:
    explicit CallPoster(QObject* owner);
    void post(std::function<void()> call);

  protected:
    bool event(QEvent* event) override;
};
