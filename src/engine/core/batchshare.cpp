#include "engine/core/batchshare.h"

#include <QFileInfo>

#include <algorithm>

namespace {

std::vector<qint64> sourceSizes(const QList<WorkItem>& items) {
    std::vector<qint64> sizes;
    for (const WorkItem& item : items)
        sizes.push_back(QFileInfo(item.source).size());
    return sizes;
}

} // namespace

BatchShare::BatchShare(const QList<WorkItem>& items) : BatchShare(sourceSizes(items)) {}

BatchShare::BatchShare(std::vector<qint64> weights) : weights_(std::move(weights)) {
    for (qint64& weight : weights_)
        weight = std::max<qint64>(weight, 1);
    percents_.assign(weights_.size(), 0.0);
}

void BatchShare::set(int index, double percent) {
    if (index >= 0 && static_cast<std::size_t>(index) < percents_.size())
        percents_[static_cast<std::size_t>(index)] = std::clamp(percent, 0.0, 100.0);
}

qint64 BatchShare::totalWeight() const {
    qint64 total = 0;
    for (const qint64 weight : weights_)
        total += weight;
    return total;
}

double BatchShare::doneWeight() const {
    double done = 0;
    for (std::size_t i = 0; i < weights_.size(); ++i)
        done += static_cast<double>(weights_[i]) * percents_[i] / 100.0;
    return done;
}

double BatchShare::percent() const {
    double done = 0;
    double total = 0;
    for (std::size_t i = 0; i < weights_.size(); ++i) {
        done += static_cast<double>(weights_[i]) * percents_[i];
        total += static_cast<double>(weights_[i]);
    }
    return total > 0 ? done / total : 0.0;
}
