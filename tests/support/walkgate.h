#pragma once

#include "engine/search/searchwalker.h"

#include <condition_variable>
#include <mutex>

// Holds a search walk before each folder until release(): the walk's thread waits at the
// gate, so a test can act while a walk is known to be running.
class WalkGate {
  public:
    void hold(SearchWalker& walker) {
        {
            const std::lock_guard lock(mutex_);
            released_ = false;
        }
        walker.beforeFolder = [this](const QString&) {
            std::unique_lock lock(mutex_);
            opened_.wait(lock, [this] { return released_; });
        };
    }
    void release() {
        {
            const std::lock_guard lock(mutex_);
            released_ = true;
        }
        opened_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool released_ = false;
};
