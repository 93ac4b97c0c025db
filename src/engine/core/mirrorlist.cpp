#include "engine/core/mirrorlist.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace {
bool sortsBefore(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}
} // namespace

void MirrorList::add(const QString& text, int track) {
    if (!isSorted()) {
        items_.append(text);
        tracks_.append(track);
        return;
    }
    // After every entry that compares equal, as a sorted list box inserts.
    const auto at = std::upper_bound(items_.begin(), items_.end(), text, sortsBefore);
    tracks_.insert(at - items_.begin(), track);
    items_.insert(at, text);
}

void MirrorList::insert(int position, const QString& text, int track) {
    if (isSorted()) {
        add(text, track);
        return;
    }
    const qsizetype at = std::clamp<qsizetype>(position, 0, items_.size());
    items_.insert(at, text);
    tracks_.insert(at, track);
}

bool MirrorList::removeAt(int position) {
    if (position < 0 || position >= items_.size())
        return false;
    items_.removeAt(position);
    tracks_.removeAt(position);
    return true;
}

bool MirrorList::removeOne(const QString& text) {
    return removeAt(indexOf(text));
}

QString MirrorList::at(int position) const {
    if (position < 0 || position >= items_.size())
        return {};
    return items_.at(position);
}

int MirrorList::trackAt(int position) const {
    if (position < 0 || position >= tracks_.size())
        return noTrack;
    return tracks_.at(position);
}

void MirrorList::setItems(const QStringList& items) {
    MirrorList plain(order_);
    for (const QString& item : items)
        plain.items_.append(item);
    plain.tracks_ = QList<int>(items.size(), noTrack);
    assign(plain);
}

void MirrorList::assign(const MirrorList& other) {
    items_ = other.items_;
    tracks_ = other.tracks_;
    if (!isSorted())
        return;
    std::vector<qsizetype> order(static_cast<std::size_t>(items_.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [this](qsizetype a, qsizetype b) {
        return sortsBefore(items_.at(a), items_.at(b));
    });
    QStringList items;
    QList<int> tracks;
    for (const qsizetype i : order) {
        items.append(items_.at(i));
        tracks.append(tracks_.at(i));
    }
    items_ = std::move(items);
    tracks_ = std::move(tracks);
}

bool MirrorList::replace(int position, const QString& text) {
    if (position < 0 || position >= items_.size())
        return false;
    if (isSorted()) {
        const int track = tracks_.at(position);
        removeAt(position);
        add(text, track);
    } else {
        items_[position] = text;
    }
    return true;
}

void MirrorList::prepend(const QString& text, MirrorList& scratch, bool dropEmpty, int track) {
    scratch.clear();
    scratch.add(text, track);
    for (qsizetype i = 0; i < items_.size(); ++i)
        if (!(dropEmpty && items_.at(i).isEmpty()))
            scratch.add(items_.at(i), tracks_.at(i));
    assign(scratch);
}
