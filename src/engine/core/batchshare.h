#pragma once

#include "engine/core/batchrunner.h"

#include <QList>
#include <QtGlobal>

#include <vector>

// The share of a batch done, for one progress figure over files converted at once: every
// item's percentage weighted by its size, finished items counting whole. GUI thread.
class BatchShare {
  public:
    // Weights are the items' sources' sizes in bytes (an empty or missing source weighs one
    // byte).
    explicit BatchShare(const QList<WorkItem>& items);
    // One weight per item, by index (a weight below one counts as one).
    explicit BatchShare(std::vector<qint64> weights);

    // Item `index` is `percent` done (clamped to 0..100); other indexes are ignored.
    void set(int index, double percent);
    // 0..100.
    double percent() const;
    // The weight of everything, and of what is done.
    qint64 totalWeight() const;
    double doneWeight() const;

  private:
    std::vector<qint64> weights_;
    std::vector<double> percents_;
};
