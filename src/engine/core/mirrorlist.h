#pragma once

#include <QString>
#include <QStringList>

// A hidden list box of the main window: an ordered list of texts. A sorted list keeps its
// entries in ascending order as a sorted list box does: compared ignoring letter case
// (QString::compare, Qt::CaseInsensitive, ordinal on case-folded text), an entry equal to
// existing ones going after them. Fixed-width track entries ("Track  3 - 4:10") therefore
// sort in track order. Positions are 0-based. GUI thread only.
//
// A track entry carries the number of the track it stands for, set when the disc is listed
// and kept wherever the entry goes (moves, sorting, prepending): what an entry is is read from
// it, never from its text. Other entries carry noTrack.
class MirrorList {
  public:
    enum class Order { Insertion, Sorted };

    static constexpr int noTrack = -1;

    explicit MirrorList(Order order = Order::Insertion) : order_(order) {}

    bool isSorted() const { return order_ == Order::Sorted; }

    // Appends `text`, or inserts it at its sorted position in a sorted list.
    void add(const QString& text, int track = noTrack);
    // Inserts at `position` (clamped); a sorted list ignores the position and sorts.
    void insert(int position, const QString& text, int track = noTrack);
    // Removes the entry at `position`; false when out of range.
    bool removeAt(int position);
    // Removes the first entry equal to `text`; false when none.
    bool removeOne(const QString& text);
    // Replaces the entry at `position` (a sorted list re-sorts it), which keeps its track;
    // false when out of range.
    bool replace(int position, const QString& text);
    // Puts `text` first: the list is copied through `scratch` (emptied first), `text` then
    // every entry, and back. With `dropEmpty`, empty entries are left out of the copy. Not
    // for sorted lists (sorts). The copy never lets events run: a handler running in the
    // middle could reuse the same scratch list or change this one, and one of the two
    // lists would come out mixed or with the change lost.
    void prepend(const QString& text, MirrorList& scratch, bool dropEmpty = false,
                 int track = noTrack);
    void clear() {
        items_.clear();
        tracks_.clear();
    }

    int count() const { return static_cast<int>(items_.size()); }
    bool isEmpty() const { return items_.isEmpty(); }
    // Entry at `position`; an empty text when out of range.
    QString at(int position) const;
    QString operator[](int position) const { return at(position); }
    // The track the entry at `position` stands for; noTrack for other entries and out of range.
    int trackAt(int position) const;
    int indexOf(const QString& text) const { return static_cast<int>(items_.indexOf(text)); }
    bool contains(const QString& text) const { return items_.contains(text); }

    const QStringList& items() const { return items_; }
    operator const QStringList&() const { return items_; }
    // Replaces every entry, none a track's; a sorted list sorts them.
    void setItems(const QStringList& items);

    QStringList::const_iterator begin() const { return items_.cbegin(); }
    QStringList::const_iterator end() const { return items_.cend(); }

  private:
    void assign(const MirrorList& other);

    Order order_;
    QStringList items_;
    QList<int> tracks_; // as items_
};
