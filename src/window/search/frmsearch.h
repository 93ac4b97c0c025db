#pragma once

#include "engine/search/searchwalker.h"

#include <QWidget>

#include <cstdint>

class Form1;
class FolderList;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QTabWidget;
class QTextBrowser;

// The "File Finder" window: a local search for audio files ("Local Search " tab), whose
// results can be sent to the main window's tree or deleted, and a web search by engine
// ("Internet Search" tab) whose pages open in the user's browser.
//
// GUI thread. The folders are read on a thread of their own (SearchWalker), whose reports
// the window shows as they come; "Stop!" ends the search once the folder in progress is read,
// and closing the window ends it and waits for its thread. Handlers that show a dialog keep
// the window alive until they return: a close asked meanwhile hides the window and takes
// effect afterwards. One window at a time; deleted on close.
class FrmSearch : public QWidget {
    Q_OBJECT
  public:
    explicit FrmSearch(QWidget* parent = nullptr);
    ~FrmSearch() override;

    // Opens the window: loads and shows a new one, or brings back the one already open. It
    // closes when the main window locks its controls for a job or the program ends.
    static FrmSearch* open(Form1& main);
    // Opens it whenever the main window asks (its Search button and menu item).
    static void serve(Form1& main);

    // Centres the window, fills the engine list and shows the destination folder in
    // Drive1/Dir1.
    void Form_Load();
    // Every time the window becomes active: the blank page is written again and shown in Web1.
    void Form_Activate();

    // ---- "Local Search " ----------------------------------------------------------------
    // "Search !" starts a search of Dir1's folder; "Stop!" ends it after the folder in
    // progress.
    void Command1_Click();
    void Drive1_Change();
    void Dir1_Change();
    // Keeps the file type lower-case.
    void zFileExt_Change();
    // Sets lbltime; a caption over 200 characters becomes the folder in progress followed by
    // "..." (cut so that it never exceeds 200 characters itself).
    void setLbltime(const QString& caption);
    // A right button press on the result list pops up mnupopup when the selected entry is a
    // ".wav" or ".mp3" file (any case).
    void lstfiles_MouseDown(Qt::MouseButton button, const QPoint& globalPos);
    // "Select for Conversion": the selected file goes to the main window's tree and its list.
    void mnuSeelectfile_Click();
    void mnuRemoveFile_Click();
    // Asks, then deletes the selected file with p_DestroyFile and removes its entry; a delete
    // that fails leaves the entry.
    void mnuDelete_Click();
    void mnuClose_Click();
    void cmdend_Click();

    // ---- "Internet Search" --------------------------------------------------------------
    // Opens the search page of the engine named in search1 for Text3's keywords; an unknown
    // engine is said so under "Oops".
    void Cmdwebsearch_Click();
    // Enter (13) does the same under "Opps", then empties search1's text; other keys do
    // nothing.
    void Text3_KeyDown(int keyCode);

    // True from the start of a search until its closing steps have run.
    bool searching() const { return walker_.running(); }
    // The walk behind the local search.
    SearchWalker& walker() { return walker_; }

    // ---- Controls (objectName = member name) ---------------------------------------------
    QTabWidget* searchTabs = nullptr;
    QComboBox* Drive1 = nullptr;
    FolderList* Dir1 = nullptr;
    QLineEdit* zFileExt = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;
    QCheckBox* chkhidelist = nullptr;
    QListWidget* lstdirs = nullptr;  // folders still to search; entry 0 in progress
    QListWidget* List1 = nullptr;    // folders seen
    QListWidget* lstfiles = nullptr; // results: full paths
    QLabel* lbltime = nullptr;
    QLabel* Label1 = nullptr; // counts
    QPushButton* cmdend = nullptr;
    QMenu* mnupopup = nullptr;
    QAction* mnuSeelectfile = nullptr;
    QAction* mnuRemoveFile = nullptr;
    QAction* mnuDelete = nullptr;
    QAction* mnuClose = nullptr;
    QComboBox* search1 = nullptr;
    QLineEdit* Text3 = nullptr;
    QPushButton* Cmdwebsearch = nullptr;
    QTextBrowser* Web1 = nullptr; // the blank page

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Counts the handlers on the stack that let events run; the last one to leave carries
    // out a close asked meanwhile.
    class BusyScope {
      public:
        explicit BusyScope(FrmSearch& window);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

      private:
        FrmSearch& window_;
    };

    QWidget* buildLocalTab();
    QWidget* buildInternetTab();
    void connectControls();
    void centreOnScreen();
    void startSearch();
    void stopSearch();
    // Starts the search of Dir1's folder.
    void searchDriver();
    // Shows what the walk found since its last report: results, folders, queue, caption.
    void showWalk(const SearchWalker::Report& report);
    // The search's closing steps, once the walk has ended.
    void searchEnded(const SearchWalker::Summary& summary);
    void showCounts(std::int64_t files);
    void setSearchControlsEnabled(bool enabled);
    // The selected result entry's path; empty when none is selected.
    QString selectedResult() const;
    void removeResult(const QString& path);
    void webSearch(const QString& title);

    SearchWalker walker_;
    bool foldersShown_ = false;    // the start folder is in List1
    std::int64_t folderCount_ = 0; // subfolders found by the search
    QString folderShown_;          // the folder lbltime shows as in progress
    int busy_ = 0;
    bool closePending_ = false;
    bool searchWhenEnded_ = false; // "Search !" pressed while a stopped walk finishes
};
