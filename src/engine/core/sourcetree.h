#pragma once

#include "engine/core/filedeletion.h"
#include "engine/core/mirrorlist.h"
#include "engine/core/wildcard.h"
#include "engine/platform/error.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

// The source tree: the nodes the main window's TreeView1 shows (root, eight groups, track and
// file items), the nine mirror lists the batch jobs read, and every operation that builds
// the tree or moves, removes or renames its items.
//
// Thread: GUI thread only. Some operations finish later, from a timer (Cmaddfile2 and the
// deletions wait a moment for the file system), so other handlers may run in between; node
// references are ids, never pointers, so a node removed meanwhile simply stops resolving.
//
// Node layout after a build (children in this order):
//
//   "CD Tracks, WAV, MP3 files"   key "f Collection 1"            node number 1
//     "Selected Tracks"           key "g Selected Tracks"         node number 2
//     "Available Tracks"          key "g Available Tracks"        node number 3
//        one item per lstTracks entry
//     "Selected WAV Files"        key "g Selected WAV Files"
//     "WAV Files"                 key "g WAV Files"
//        one item per List1 entry
//     "Selected MP3 Files"        key "g Selected MP3 Files"
//     "MP3 Files"                 key "g Available MP3 Files"
//        one item per List2 entry
//     "Selected Audio Files"      key "g Selected Audio Files"
//     "Audio Files"               key "g Audio Files"
//        one item per audioFiles entry
//
// Audio files are the files of every other format the program reads (FLAC, Ogg, Opus, M4A,
// ...): those whose extension is one of `audioExtensions`.
//
// Node numbers count the nodes that exist, from 1, in creation order (removing a node
// renumbers the later ones). Node ids never change and are never reused; 0 means "no node".
//
// For the view: DisplayRole/EditRole give the text, KeyRole the key, ImageRole the image
// number (1 root, 2 group, 3 item), SelectedImageRole the selected image (4, 5, 6),
// NodeIdRole the id, DropHighlightRole whether the node is the drop-highlighted one,
// ToolTipRole what `toolTipProvider` gives.
// DecorationRole asks `imageProvider` (set by the window) for the picture of the image
// number in force: the selected image for the selected node, the plain one otherwise.
class SourceTree : public QAbstractItemModel {
    Q_OBJECT
  public:
    using NodeId = std::uint64_t;

    enum Role {
        KeyRole = Qt::UserRole + 1,
        ImageRole,
        SelectedImageRole,
        NodeIdRole,
        DropHighlightRole,
    };

    // What a node holds. A snapshot: copy out, never kept across a yield.
    struct NodeInfo {
        NodeId id = 0;
        QString key;
        QString text;
        int image = 0;
        int selectedImage = 0;
        NodeId parent = 0;
    };

    // Item classes used by the moves and by drag and drop.
    enum class ItemClass { None, Track, Wav, Mp3, Audio };

    // The eight groups, known by what they are from their creation (by their fixed keys),
    // never by the text they show.
    enum class Group {
        None,
        SelectedTracks,
        AvailableTracks,
        SelectedWav,
        Wav,
        SelectedMp3,
        Mp3,
        SelectedAudio,
        Audio
    };

    // Answer of a label edit.
    enum class LabelEdit {
        Accepted, // the label stays as typed (the file may or may not have been renamed)
        EditAgain // the rename was refused: the window must start label editing again on the
                  // selected node; the pressed node is selected and highlighted already
    };

    // Answer of a button press in the tree.
    enum class Press {
        NoNode,    // press on empty space: nothing else happened
        ShowPopup, // right button on a node: the window shows the context menu at the cursor
        Handled    // left button: selection, highlight and lstRecord updated; refresh Label3
    };

    // Enabled state of the context menu items, computed when the menu opens.
    struct MenuState {
        bool start = false;  // "Start!"
        bool remove = false; // "Remove from List" and "Remove and Delete File"
    };

    // Fixed texts (usable from other files' static initialisers).
    static inline const QString RootText = QStringLiteral("CD Tracks, WAV, MP3 files");
    static inline const QString SelectedTracksText = QStringLiteral("Selected Tracks");
    static inline const QString AvailableTracksText = QStringLiteral("Available Tracks");
    static inline const QString SelectedWavText = QStringLiteral("Selected WAV Files");
    static inline const QString WavText = QStringLiteral("WAV Files");
    static inline const QString SelectedMp3Text = QStringLiteral("Selected MP3 Files");
    static inline const QString Mp3Text = QStringLiteral("MP3 Files");
    static inline const QString SelectedAudioText = QStringLiteral("Selected Audio Files");
    static inline const QString AudioText = QStringLiteral("Audio Files");

    explicit SourceTree(QObject* parent = nullptr);
    ~SourceTree() override;

    // The tree the program's free functions (Cmaddfile2, DeleteFileAndNode, ...) act on: the
    // first SourceTree constructed that is still alive, unless setInstance chose another.
    static SourceTree* instance();
    static void setInstance(SourceTree* tree);

    // ---- Mirror lists (hidden list boxes of the main window) ----
    MirrorList lstTracks{MirrorList::Order::Sorted}; // available CD track entries, sorted
    MirrorList lstRecord;                            // selected track entries
    MirrorList List1;                                // available WAV paths
    MirrorList List5;                                // selected WAV paths
    MirrorList List2;                                // available MP3 paths
    MirrorList List4;                                // selected MP3 paths
    MirrorList audioFiles;                           // available audio file paths
    MirrorList selectedAudioFiles;                   // selected audio file paths
    MirrorList List7;                                // scratch list

    // ---- Building (Part of the window's start-up and refresh) ----

    // Clears and rebuilds the whole tree and the six file lists from a scan of DecodePath
    // (and its subfolders) for "wav" then "mp3" files, then audio files (in path order); an
    // empty DecodePath scans nothing.
    // Leftovers of outputs a crashed or killed run left in DecodePath are removed first
    // (outputfile::removeLeftovers).
    // lstTracks entries become the "Available Tracks" items; lstTracks and lstRecord are
    // left as they are.
    // Emits showMainWindowRequested and makeVisible on the way.
    void showfiles();
    // The "Selected Tracks" group shows the lstRecord entries (its items replaced by them).
    void showSelectedTracks();

    // Adds one produced or opened file to its file group (as last child) and to the front of
    // List1 (".wav"), List2 (".mp3") or audioFiles (an audio file), addFileDelay after the
    // call (which returns at once):
    // time for a file just written to be closed. `then` runs right after the add, in order
    // with the adds asked before it. A tree destroyed meanwhile adds and runs nothing.
    // Ignored silently: a missing file, 99 bytes or less, a path or name already shown by
    // some node, a file that is neither WAV, MP3 nor an audio file (isAudioFilePath), a
    // temporary file of an output under way (outputfile::isTemporaryName).
    void Cmaddfile2(const QString& path, std::function<void()> then = {});
    // Cmaddfile2 at once, without its delay: for a file whose writer has closed it and
    // checked the close (a batch's output as its item ends).
    void addClosedFile(const QString& path);

    // Files `picked` (a search result) into List1/List2/audioFiles when it is in none of the
    // available lists, then passes it to Cmaddfile2.
    void showfiles3(const QString& picked);

    // 1 root ("f"), 2 group ("g"), 3 item ("p"); 0 for no node or any other key.
    std::int16_t NodeKind(NodeId node) const;
    // Which of the six groups `node` is; Group::None for any other node.
    Group groupOf(NodeId node) const;
    // The group node of that kind; 0 when the tree has none.
    NodeId groupNode(Group group) const;
    // The track a track item stands for (its entry's track, MirrorList::trackAt); noTrack for
    // any other node.
    int trackOf(NodeId node) const;

    // ---- Which file a node stands for ----
    //
    // The one rule every command uses to turn a node into a file (moves, removal, deletion,
    // renaming, encoding, decoding), so that one node never means two files:
    //
    // - Only file items stand for a file: a node whose key begins with "p" and whose parent
    //   is one of the six file groups. The group, not the text, gives the kind: a WAV shown as
    //   "Track 01.wav" is a WAV file.
    // - The lists searched: the node's own group's list (WAV Files: List1, Selected WAV
    //   Files: List5, MP3 Files: List2, Selected MP3 Files: List4, Audio Files: audioFiles,
    //   Selected Audio Files: selectedAudioFiles) from its first entry to its last, then the
    //   other list of the same kind. The whole own list is searched before the
    //   other one, since the own list mirrors the node's group.
    // - Within a list, with T the node's text and comparisons exact (case-sensitive, no
    //   pattern characters): the first entry equal to T (full-path mode); else the first
    //   entry whose file name (after its last "/") equals T; else the first entry whose file
    //   name as short-name mode shows it (the name less its last four characters, followed
    //   by those four lower-cased: "Song.WAV" shows as "Song.wav") equals T.
    // - A node whose file is in neither list stands for no file: its text is never taken as
    //   a path by itself.
    //
    // A snapshot: positions change as soon as the lists do, so it is taken again after
    // anything that lets events run.
    struct FileEntry {
        const MirrorList* list = nullptr; // List1, List5, List2, List4 or an audio list
        int position = -1;                // 0-based position of the entry in `list`
        QString path;                     // the entry: the file's full path
    };
    std::optional<FileEntry> fileEntryOf(NodeId node) const;
    // The full path of the file `node` stands for (the `path` of fileEntryOf).
    std::optional<QString> filePathOf(NodeId node) const;

    // ---- Moving items between groups ----

    // Double-click form: moves the selected node (the pressed node) to the other group of its
    // kind, lists first (a file item by the file it stands for, filePathOf), then the tree.
    // Groups and the root move nothing. The moved node stays the selected node; a track
    // moved back to "Available Tracks" gets a new node there, which is selected in its stead.
    void MoveSelectedNode();

    // Drag form: moves the dragged node; `text` is its text. For a file item the lists get
    // the file it stands for (filePathOf), as in the double-click form.
    void MoveDraggedNode(const QString& text);

    // ---- Context menu, removal, renaming ----

    // Computes the enabled state of the menu items for the pressed node and stores its kind
    // as the dragged kind.
    MenuState contextMenuState();

    // "Remove from List": takes the pressed file item off the tree and the entry of the file
    // it stands for (fileEntryOf) off its list. The file on disk stays.
    void RemoveFromList();

    // "Remove and Delete File": deletes the file the pressed item stands for (fileEntryOf)
    // with p_DestroyFile at once; after its settling wait, the outcome shows. Deleted: the
    // item and that entry go. Refused (read-only, locked, a folder that refuses): a critical
    // message through the dialogs seam names the file and the system's reason, and the item
    // and its entry stay. An item whose file is in neither list leaves the tree and nothing
    // is deleted.
    void RemoveAndDeleteFile();

    // Whether label editing may start on `node`: only file items (text ending ".wav", ".WAV",
    // ".mp3" or ".MP3", or naming an audio file, isAudioFilePath).
    bool canEditLabel(NodeId node) const;

    // After a label edit of `node` to `newText`, a file name (the editor edits the name
    // alone, EditRole): renames the file the node stands for (fileEntryOf) within its folder,
    // a change of letter case included, never replacing another file, and every list entry
    // naming it follows. The label then shows the new name as it showed the old one: in its
    // folder when it held the full path. So a label always names the file its node stands
    // for. The name unchanged is no rename. Refused, with the reason in renameRefusal(), and
    // nothing changed: an empty name, a name holding "/", a name not of the node's kind
    // (".wav" under a WAV group, ".mp3" under an MP3 group, any case; under an audio group,
    // the file's own extension in any case), a node that stands for
    // no listed file, a name another file holds, a rename the system refuses.
    LabelEdit afterLabelEdit(NodeId node, const QString& newText);
    // Why the last afterLabelEdit answered EditAgain.
    QString renameRefusal() const { return renameRefusal_; }

    // Deletes `path` at once (p_DestroyFile) and returns the outcome. Once deleted, every
    // node whose text equals it or that stands for it (filePathOf), and every mirror-list
    // entry equal to it, are removed; then `done` runs with the outcome. Both after
    // p_DestroyFile's settling wait (never when the tree is destroyed first); `settle` false:
    // without the wait (filedeletion::destroyFile), before this returns.
    std::optional<VortanError> DeleteFileAndNode(const QString& path, bool settle = true,
                                                 filedeletion::Settled done = {});

    // The file `from` was given the name `to` by another window (the play list's rename):
    // every entry naming `from` names `to`, and every item standing for it (filePathOf) shows
    // the new name as it showed the old one (full path or name), so that Start finds the
    // file. Items and entries of a file `to` replaced go first. Where `to` is not of the kind
    // its group holds (a ".wav" renamed ".mp3", or neither), the item and entry go and `to`
    // is listed afresh where it belongs (addClosedFile).
    void fileRenamed(const QString& from, const QString& to);

    // "Open": asks for one WAV, MP3 or audio file through the dialogs seam and hands it to
    // Cmaddfile2.
    void OpenFileIntoTree();

    // ---- Mouse handling of the tree (button press, mouse move, drag over, drop, release) ----

    // Button press on `node` (0 for empty space).
    Press treePress(NodeId node, bool rightButton);
    // Mouse move with the left button alone held. True when the window should begin (or keep)
    // a drag of the dragged node; false for groups and when nothing was pressed.
    bool treeMouseMove();
    // The cursor is over `target` (0 for none) during a drag.
    void treeDragOver(NodeId target);
    // The drag ended with a drop.
    void treeDrop();
    // Button release: the highlighted node becomes the selected node. Returns the track number
    // when the selected node is a track item (trackOf).
    std::optional<int> treeRelease();
    // What Start does for `node`, decided by what the node is (a track, WAV, MP3 or audio
    // group, or an item of one), never by its text: a WAV shown as "Track 03.wav" is encoded,
    // "UPPER.WAV" is encoded too, an audio file is converted. The root, no node and anything
    // else: nothing.
    enum class StartJob { None, Extract, Encode, Decode, Convert };
    StartJob startJobFor(NodeId node) const;
    // What Label3 shows while no job runs: "Next Action:  Process  " followed by the selected
    // node's text when Start would act on it (startJobFor, and a group with items), else
    // "Next Action: Make a selection".
    QString statusLine() const;

    // ---- Window-level state shared with the window ----
    NodeId draggedNode() const { return draggedNode_; }
    void setDraggedNode(NodeId node) { draggedNode_ = resolves(node) ? node : 0; }
    NodeId lastHoveredNode() const { return lastHovered_; }
    void setLastHoveredNode(NodeId node) { lastHovered_ = node; }
    std::int32_t draggedKind() const { return draggedKind_; }
    void setDraggedKind(std::int32_t kind) { draggedKind_ = kind; }

    NodeId selectedNode() const { return selected_; }
    void setSelectedNode(NodeId node);
    NodeId dropHighlight() const { return highlight_; }
    void setDropHighlight(NodeId node);

    // ---- Node access ----
    int nodeCount() const { return static_cast<int>(order_.size()); }
    // The node with number `number` (1 = first created of those that exist); 0 if none.
    NodeId nodeNumber(int number) const;
    // The number of `node`, 0 if it does not exist.
    int numberOf(NodeId node) const;
    bool resolves(NodeId node) const;
    std::optional<NodeInfo> info(NodeId node) const;
    QString text(NodeId node) const;
    QString key(NodeId node) const;
    NodeId parentOf(NodeId node) const;
    std::vector<NodeId> childrenOf(NodeId node) const; // node 0: the top-level nodes
    int childCount(NodeId node) const;
    NodeId firstChild(NodeId node) const;
    NodeId nextSibling(NodeId node) const;
    NodeId previousSibling(NodeId node) const;
    // The first node (in creation order) with this exact text / this key; 0 if none.
    NodeId findByText(const QString& text) const;
    NodeId findByKey(const QString& key) const;
    // Every node with this exact text, in creation order.
    std::vector<NodeId> allWithText(const QString& text) const;

    // Adds a node as the last child of `parent` (0: top level). Refused (returns 0) when the
    // key is already used or the parent does not exist. A track item gets the track its entry
    // stands for; a node with one of the six groups' keys is that group.
    NodeId addNode(NodeId parent, const QString& key, const QString& text, int image,
                   int selectedImage, int track = MirrorList::noTrack);
    // Removes `node` with everything under it. False when it does not exist.
    bool removeNode(NodeId node);
    // Makes `node` the last child of `newParent`. Refused when either does not exist or
    // `newParent` is `node` or lies under it.
    bool setParentOf(NodeId node, NodeId newParent);
    bool setText(NodeId node, const QString& text);
    // Removes every node.
    void clearNodes();

    QModelIndex indexOf(NodeId node) const;
    NodeId nodeOf(const QModelIndex& index) const;

    // ---- Knobs ----
    // Cmaddfile2's settling wait; 300 ms in the program, tests may shorten it.
    std::chrono::milliseconds addFileDelay{300};
    // The extensions (lower case, no dot) of the audio files the audio groups list: every
    // format the program reads besides WAV and MP3. The window sets them from the conversion
    // pipeline (pipeline::otherAudioExtensions); empty: no audio files are listed.
    QStringList audioExtensions;
    // True when `path`'s name ends in "." and one of audioExtensions, in any case.
    bool isAudioFilePath(const QString& path) const;
    // A WAV, an MP3 or an audio file, by its name.
    bool isListedKind(const QString& path) const;
    // Picture of an image number for DecorationRole; unset: no decoration.
    std::function<QVariant(int image)> imageProvider;
    // Tool tip of a node for ToolTipRole (empty: none); unset: no tool tips.
    std::function<QString(NodeId node)> toolTipProvider;

    // ---- QAbstractItemModel ----
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // EditRole gives a file item's name alone (what a label edit renames) and setting it runs
    // afterLabelEdit; a refused rename emits labelEditRequested.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QHash<int, QByteArray> roleNames() const override;

  signals:
    // Scroll to `index` and expand its ancestors.
    void makeVisible(const QModelIndex& index);
    // The build shows the main window.
    void showMainWindowRequested();
    void selectedNodeChanged(SourceTree::NodeId node);
    void dropHighlightChanged(SourceTree::NodeId node);
    // Start label editing again on `node` (a refused rename). A node id, not a model index:
    // the request is taken up later, when the node may be gone.
    // `typed` is the name refused and `reason` why.
    void labelEditRequested(SourceTree::NodeId node, const QString& typed, const QString& reason);

  private:
    MirrorList* listFor(const MirrorList* list);
    // The six file lists, available then selected of each kind.
    std::array<MirrorList*, 6> fileLists();
    // Whether `path` is a file of the kind `group` (a file group) holds.
    bool fitsGroup(Group group, const QString& path) const;
    void removeEntry(const FileEntry& entry);
    // A deleted file: every item that stands for `path` and every entry naming it go.
    void forgetFile(const QString& path);
    struct Node {
        NodeId id = 0;
        QString key;
        QString text;
        int image = 0;
        int selectedImage = 0;
        Node* parent = nullptr;
        std::vector<Node*> children;
        int row = 0; // position among the parent's children (or the top-level nodes)
        bool removed = false;
        Group group = Group::None;
        int track = MirrorList::noTrack;
    };

    Node* find(NodeId id) const;
    Node* firstWithText(const QString& text) const;
    ItemClass classify(const Node* node) const;
    void ensureVisible(const Node* node);
    void listHalf(ItemClass cls, Group group, const QString& text);
    void treeHalf(NodeId node);
    void rebuildAvailableTracks();
    void finishMove();
    void unindexText(Node* node);
    void indexText(Node* node);
    void collectSubtree(Node* node, std::vector<Node*>& out) const;
    void renumberChildren(std::vector<Node*>& children, std::size_t from);
    std::vector<Node*>& childList(Node* parent);
    QModelIndex indexOfNode(const Node* node) const;

    std::unordered_map<NodeId, std::unique_ptr<Node>> nodes_;
    std::vector<Node*> order_;    // existing nodes, creation order (= ascending id)
    std::vector<Node*> topLevel_; // nodes without parent, in order
    QHash<QString, Node*> byKey_;
    QHash<QString, std::vector<Node*>> byText_; // each vector in creation order
    NodeId nextId_ = 1;
    bool building_ = false; // inside a model reset: no per-row signals

    QString renameRefusal_;
    NodeId selected_ = 0;
    NodeId highlight_ = 0;
    NodeId draggedNode_ = 0;
    NodeId lastHovered_ = 0;
    std::int32_t draggedKind_ = 0;
};

// The program's tree operations as free procedures over SourceTree::instance(); each does
// nothing when no tree exists.
void showfiles();
void Cmaddfile2(const QString& path, std::function<void()> then = {});
void showfiles3(const QString& picked);
void fileRenamed(const QString& from, const QString& to);
std::int16_t NodeKind(SourceTree::NodeId node);

// The numeric value of `text` as the window's lists read numbers back: leading blanks
// skipped, then the digits up to the first other character; 0 when there are none.
long long LeadingNumber(const QString& text);
