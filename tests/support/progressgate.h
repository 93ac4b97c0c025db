#pragma once

#include "engine/core/workerjob.h"

#include <QTest>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <set>

// Holds worker jobs at a point of their progress until release(): each job whose progress
// report `at` accepts waits there (once per item of the batch), so that a test acts while
// the job is known to be at that point, never later. Installed while it lives (one gate at a
// time); released and removed when it goes.
//
// GUI thread; the jobs wait on their worker threads.
class ProgressGate {
  public:
    using Point = std::function<bool(const WorkItem& item, int percent)>;

    explicit ProgressGate(Point at) : state_(std::make_shared<State>()) {
        state_->at = std::move(at);
        // The hook keeps the state alive for a worker still inside it when the gate goes.
        WorkerJob::setProgressHook([state = state_](const WorkItem& item, int percent) {
            std::unique_lock lock(state->mutex);
            if (state->released || state->passed.count(item.index) || !state->at(item, percent))
                return;
            state->passed.insert(item.index);
            ++state->held;
            state->opened.wait(lock, [&state] { return state->released; });
        });
    }
    ~ProgressGate() {
        release();
        WorkerJob::setProgressHook({});
    }
    ProgressGate(const ProgressGate&) = delete;
    ProgressGate& operator=(const ProgressGate&) = delete;

    // Lets events run until `jobs` jobs wait at the gate; false when they do not in time.
    bool waitHeld(int jobs = 1, int timeoutMs = 60000) {
        return QTest::qWaitFor(
            [this, jobs] {
                const std::lock_guard lock(state_->mutex);
                return state_->held >= jobs;
            },
            timeoutMs);
    }
    // The jobs held go on, and no further one is held.
    void release() {
        {
            const std::lock_guard lock(state_->mutex);
            state_->released = true;
        }
        state_->opened.notify_all();
    }

  private:
    struct State {
        std::mutex mutex;
        std::condition_variable opened;
        Point at;
        std::set<int> passed; // items held once already
        int held = 0;
        bool released = false;
    };
    std::shared_ptr<State> state_;
};
