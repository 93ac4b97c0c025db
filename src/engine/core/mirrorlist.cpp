#include "engine/core/mirrorlist.h"

#include <algorithm>
#include <utility>

namespace {
bool sortsBefore(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}
} // namespace

void MirrorList::add(const QString& text) {
    if (!isSorted()) {
        items_.append(text);
        return;
    }
    // After every entry that compares equal, as a sorted list box inserts.
    const auto at = std::upper_bound(items_.begin(), items_.end(), text, sortsBefore);
    items_.insert(at, text);
}

void MirrorList::insert(int position, const QString& text) {
    if (isSorted()) {
        add(text);
        return;
    }
    items_.insert(std::clamp<qsizetype>(position, 0, items_.size()), text);
}

bool MirrorList::removeAt(int position) {
    if (position < 0 || position >= items_.size())
        return false;
    items_.removeAt(position);
    return true;
}

bool MirrorList::removeOne(const QString& text) {
    return items_.removeOne(text);
}

QString MirrorList::at(int position) const {
    if (position < 0 || position >= items_.size())
        return {};
    return items_.at(position);
}

void MirrorList::setItems(const QStringList& items) {
    items_ = items;
    if (isSorted())
        std::stable_sort(items_.begin(), items_.end(), sortsBefore);
}

bool MirrorList::replace(int position, const QString& text) {
    if (position < 0 || position >= items_.size())
        return false;
    if (isSorted()) {
        items_.removeAt(position);
        add(text);
    } else {
        items_[position] = text;
    }
    return true;
}

void MirrorList::prepend(const QString& text, MirrorList& scratch, bool dropEmpty) {
    scratch.clear();
    scratch.add(text);
    for (const QString& entry : std::as_const(items_))
        if (!(dropEmpty && entry.isEmpty()))
            scratch.add(entry);
    setItems(scratch.items());
}
