#include "window/search/frmsearch.h"

#include "engine/core/filedeletion.h"
#include "engine/core/paths.h"
#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"
#include "engine/platform/dialogs.h"
#include "engine/prefs/drivespace.h"
#include "engine/prefs/mounttable.h"
#include "engine/search/websearch.h"
#include "window/main/elidedlabel.h"
#include "window/main/form1.h"
#include "window/main/keys.h"
#include "window/main/namedcontrols.h"
#include "window/main/screenfit.h"
#include "window/prefs/folderlist.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

using namespace namedcontrols;

QString searchCaption() {
    return QCoreApplication::translate("FrmSearch", "Search !");
}
QString stopCaption() {
    return QCoreApplication::translate("FrmSearch", "Stop!");
}
QString searchingCaption() {
    return QCoreApplication::translate("FrmSearch", "Searching . . . ");
}
QString invalidEngineText() {
    return QCoreApplication::translate("FrmSearch",
                                       "Invalid Search Engine, Please enter a valid search engine");
}
constexpr qsizetype progressCaptionLimit = 200;

QListWidget* makeList(QWidget* parent, const char* name, const QString& accessibleName) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setAccessibleName(accessibleName);
    // Rows of one height: tens of thousands of entries are laid out without measuring each.
    list->setUniformItemSizes(true);
    return list;
}

QString secondsText(double seconds) {
    return QString::number(seconds, 'f', 2);
}

QPointer<FrmSearch> openWindow;

} // namespace

FrmSearch::BusyScope::BusyScope(FrmSearch& window) : window_(window) {
    ++window_.busy_;
}

FrmSearch::BusyScope::~BusyScope() {
    if (--window_.busy_ == 0 && window_.closePending_) {
        window_.closePending_ = false;
        window_.close();
    }
}

FrmSearch::FrmSearch(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmsearch"));
    setWindowTitle(tr("File Finder"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* column = new QVBoxLayout(this);
    searchTabs = new QTabWidget(this);
    searchTabs->setObjectName(QStringLiteral("searchTabs"));
    searchTabs->tabBar()->setAccessibleName(tr("Where to search"));
    searchTabs->addTab(buildLocalTab(), tr("Local Search "));
    searchTabs->addTab(buildInternetTab(), tr("Internet Search"));
    column->addWidget(searchTabs, 1);
    cmdend = makeButton(this, "cmdend", tr("Close"));
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(cmdend);
    column->addLayout(bottom);

    mnupopup = new QMenu(QStringLiteral("popup"), this);
    mnupopup->setObjectName(QStringLiteral("mnupopup"));
    mnuSeelectfile = makeAction(mnupopup, "mnuSeelectfile", tr("&Select for Conversion"));
    mnuRemoveFile = makeAction(mnupopup, "mnuRemoveFile", tr("&Remove File from list"));
    mnuDelete = makeAction(mnupopup, "mnuDelete", tr("&Delete File"));
    mnuClose = makeAction(mnupopup, "mnuClose", tr("&Close Window"));

    connectControls();
    resize(720, 560);
}

FrmSearch::~FrmSearch() = default;

FrmSearch* FrmSearch::open(Form1& main) {
    if (!openWindow) {
        openWindow = new FrmSearch(&main);
        // No search may act on files while a job runs, and none outlives the program.
        connect(&main, &Form1::searchWindowUnloadRequested, openWindow.data(), &QWidget::close);
        connect(&main, &Form1::programEndRequested, openWindow.data(), &QWidget::close);
        openWindow->Form_Load();
    }
    openWindow->show();
    openWindow->raise();
    openWindow->activateWindow();
    return openWindow;
}

void FrmSearch::serve(Form1& main) {
    connect(&main, &Form1::searchWindowRequested, &main, [&main] { open(main); });
}

// ---- Controls ----------------------------------------------------------------------------

QWidget* FrmSearch::buildLocalTab() {
    auto* tab = new QWidget;
    auto* grid = new QGridLayout(tab);

    Drive1 = new QComboBox(tab);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setAccessibleName(tr("Drive"));
    Dir1 = new FolderList(tab);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setAccessibleName(tr("Folder"));
    // A screen reader names a drop-down list by its current entry ("/") and by the label
    // that names it.
    auto* driveLabel = new QLabel(tr("&Drive:"), tab);
    driveLabel->setBuddy(Drive1);
    auto* folderLabel = new QLabel(tr("F&older:"), tab);
    folderLabel->setBuddy(Dir1);
    auto* choosers = new QVBoxLayout;
    choosers->addWidget(driveLabel);
    choosers->addWidget(Drive1);
    choosers->addWidget(folderLabel);
    choosers->addWidget(Dir1, 1);

    auto* fields = new QGridLayout;
    const QString typeCaption = tr("File Type");
    const QString nameCaption = tr("File Name (optional)");
    zFileExt = makeEdit(tab, "zFileExt", typeCaption);
    zFileExt->setText(QStringLiteral(".wav"));
    Text1 = makeEdit(tab, "Text1", nameCaption);
    auto* typeLabel = new QLabel(typeCaption, tab);
    typeLabel->setBuddy(zFileExt);
    auto* nameLabel = new QLabel(nameCaption, tab);
    nameLabel->setBuddy(Text1);
    Command1 = makeButton(tab, "Command1", searchCaption());
    chkhidelist = new QCheckBox(tr("Hide lists when searching"), tab);
    chkhidelist->setObjectName(QStringLiteral("chkhidelist"));
    fields->addWidget(typeLabel, 0, 0);
    fields->addWidget(zFileExt, 0, 1);
    fields->addWidget(nameLabel, 1, 0);
    fields->addWidget(Text1, 1, 1);
    fields->addWidget(Command1, 2, 1);
    fields->addWidget(chkhidelist, 3, 0, 1, 2);
    fields->setRowStretch(4, 1);

    lstdirs = makeList(tab, "lstdirs", tr("Folders to search"));
    List1 = makeList(tab, "List1", tr("Folders searched"));
    lstfiles = makeList(tab, "lstfiles", tr("Files found"));
    lstfiles->viewport()->installEventFilter(this);
    lstfiles->installEventFilter(this); // the context menu from the keyboard
    // Shortened in the middle when a folder name is long, whole in its tool tip.
    lbltime = new ElidedLabel(tab);
    lbltime->setText(tr("Time taken: 0 second(s)"));
    lbltime->setObjectName(QStringLiteral("lbltime"));
    Label1 = new QLabel(tab);
    Label1->setObjectName(QStringLiteral("Label1"));
    // Long folder names must not widen the window (nor re-lay it out at every caption).
    for (QLabel* label : {lbltime, Label1})
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto* folderLists = new QHBoxLayout;
    folderLists->addWidget(lstdirs);
    folderLists->addWidget(List1);

    grid->addLayout(choosers, 0, 0);
    grid->addLayout(fields, 0, 1);
    grid->addLayout(folderLists, 1, 0, 1, 2);
    grid->addWidget(lstfiles, 2, 0, 1, 2);
    grid->addWidget(lbltime, 3, 0, 1, 2);
    grid->addWidget(Label1, 4, 0, 1, 2);
    grid->setRowStretch(0, 2);
    grid->setRowStretch(1, 1);
    grid->setRowStretch(2, 3);
    return tab;
}

QWidget* FrmSearch::buildInternetTab() {
    auto* tab = new QWidget;
    auto* column = new QVBoxLayout(tab);
    auto* row = new QHBoxLayout;
    auto* engineLabel = new QLabel(tr("ENGINE:"), tab);
    search1 = new QComboBox(tab);
    search1->setObjectName(QStringLiteral("search1"));
    search1->setAccessibleName(tr("Search engine"));
    search1->setEditable(true);
    search1->setInsertPolicy(QComboBox::NoInsert);
    search1->setEditText(QStringLiteral("search1"));
    engineLabel->setBuddy(search1);
    Text3 = makeEdit(tab, "Text3", tr("Keywords"));
    Text3->setText(tr("Keywords to search"));
    Cmdwebsearch = makeButton(tab, "Cmdwebsearch", tr("Search"));
    row->addWidget(engineLabel);
    row->addWidget(search1);
    row->addWidget(Text3, 1);
    row->addWidget(Cmdwebsearch);
    column->addLayout(row);

    Web1 = new QTextBrowser(tab);
    Web1->setObjectName(QStringLiteral("Web1"));
    Web1->setAccessibleName(tr("Page"));
    Web1->setOpenLinks(false);
    column->addWidget(Web1, 1);
    column->addWidget(new QLabel(tr("Search pages open in your web browser."), tab));
    return tab;
}

void FrmSearch::connectControls() {
    connect(Command1, &QPushButton::clicked, this, &FrmSearch::Command1_Click);
    connect(Drive1, &QComboBox::currentIndexChanged, this, &FrmSearch::Drive1_Change);
    connect(Dir1, &FolderList::pathChanged, this, &FrmSearch::Dir1_Change);
    connect(zFileExt, &QLineEdit::textChanged, this, &FrmSearch::zFileExt_Change);
    connect(mnuSeelectfile, &QAction::triggered, this, &FrmSearch::mnuSeelectfile_Click);
    connect(mnuRemoveFile, &QAction::triggered, this, &FrmSearch::mnuRemoveFile_Click);
    connect(mnuDelete, &QAction::triggered, this, &FrmSearch::mnuDelete_Click);
    connect(mnuClose, &QAction::triggered, this, &FrmSearch::mnuClose_Click);
    connect(cmdend, &QPushButton::clicked, this, &FrmSearch::cmdend_Click);
    connect(Cmdwebsearch, &QPushButton::clicked, this, &FrmSearch::Cmdwebsearch_Click);
    connect(Text3, &QLineEdit::returnPressed, this, [this] { Text3_KeyDown(13); });
    connect(&walker_, &SearchWalker::progress, this, &FrmSearch::showWalk);
    connect(&walker_, &SearchWalker::finished, this, &FrmSearch::searchEnded);
}

// ---- Load, activation and close ----------------------------------------------------------

void FrmSearch::centreOnScreen() {
    fitToScreen(*this);
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.left() + (area.width() - frameGeometry().width()) / 2,
         area.top() + (area.height() - frameGeometry().height()) / 2);
}

void FrmSearch::Form_Load() {
    centreOnScreen();
    {
        const QSignalBlocker block(search1);
        search1->clear();
        search1->addItems(websearch::engineNames());
        search1->setCurrentIndex(-1);
        search1->setEditText(QStringLiteral("search1"));
    }
    {
        const QSignalBlocker block(Drive1);
        Drive1->clear();
        for (const QString& root : ModSysInfo::driveRoots())
            Drive1->addItem(root, root);
    }
    // The search starts where the program keeps its files (the program's working folder
    // is never the destination). Runs Dir1_Change, which settles Drive1.
    Dir1->setPath(DecodePath);
}

void FrmSearch::Form_Activate() {
    // An installed program writes nothing into its own folder.
    const QString page =
        websearch::writeBlankPage(InstalledProgram() ? QString() : ProgramFolder());
    if (page.isEmpty())
        return;
    const QUrl url = QUrl::fromLocalFile(page);
    if (Web1->source() == url)
        Web1->reload();
    else
        Web1->setSource(url);
}

void FrmSearch::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && isVisible())
        Form_Activate();
}

void FrmSearch::closeEvent(QCloseEvent* event) {
    if (busy_ > 0) {
        // A handler below is still running (a dialog of it is open): it finishes first.
        closePending_ = true;
        walker_.requestStop();
        hide();
        event->ignore();
        return;
    }
    walker_.abandon();
    event->accept();
}

// ---- "Local Search " ---------------------------------------------------------------------

void FrmSearch::Command1_Click() {
    if (Command1->text() == searchCaption()) {
        if (walker_.running()) {
            // A stopped search is still finishing its folder: the new one follows it.
            searchWhenEnded_ = true;
            return;
        }
        chkhidelist->setEnabled(false);
        lstfiles->clear();
        lstdirs->clear();
        List1->clear();
        startSearch();
    } else if (Command1->text() == stopCaption()) {
        stopSearch();
    }
}

void FrmSearch::startSearch() {
    // The button stays enabled throughout, so that it keeps the keyboard focus: the key
    // that started the search stops it.
    Command1->setText(stopCaption());
    const bool hidden = chkhidelist->isChecked();
    List1->setHidden(hidden);
    lstfiles->setHidden(hidden);
    searchDriver();
}

void FrmSearch::setSearchControlsEnabled(bool enabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{Drive1, Text1, zFileExt})
        control->setEnabled(enabled);
}

void FrmSearch::showCounts(std::int64_t files) {
    Label1->setText(tr("Directories: ") + QString::number(folderCount_) + tr("   Files:  ") +
                    QString::number(files));
}

void FrmSearch::searchDriver() {
    Label1->clear();
    setSearchControlsEnabled(false);
    lstfiles->clear();
    foldersShown_ = false;
    folderCount_ = 0;
    folderShown_.clear();

    QString start = Dir1->path();
    if (start.isEmpty())
        start = DecodePath;
    if (!start.endsWith(QLatin1Char('/')))
        start.append(QLatin1Char('/'));
    if (!zFileExt->text().startsWith(QLatin1Char('.')))
        zFileExt->setText(QLatin1Char('.') + zFileExt->text());
    walker_.start(start, zFileExt->text(), Text1->text());
}

void FrmSearch::searchEnded(const SearchWalker::Summary& summary) {
    folderCount_ = summary.folderCount;
    lstdirs->clear();
    lstdirs->show();
    lstfiles->show();
    setLbltime(tr("Time taken: ") + secondsText(summary.elapsedSeconds) + tr(" second(s)"));
    Command1->setText(searchCaption());
    showCounts(lstfiles->count());
    setSearchControlsEnabled(true);
    chkhidelist->setEnabled(true);
    List1->show();
    lstfiles->show();
    if (searchWhenEnded_) {
        searchWhenEnded_ = false;
        Command1_Click();
    }
}

void FrmSearch::showWalk(const SearchWalker::Report& report) {
    lstfiles->addItems(report.files);
    folderCount_ = report.folderCount;
    // The start folder comes first; every later folder is inserted right behind it.
    if (!report.folders.isEmpty()) {
        if (!foldersShown_)
            List1->addItems(report.folders);
        else
            List1->insertItems(1, report.folders);
        foldersShown_ = true;
    }
    if (walker_.stopRequested())
        return; // the stop has emptied the queue on screen already
    lstdirs->clear();
    lstdirs->addItems(report.queue);
    if (!report.queue.isEmpty() && report.queue.front() != folderShown_) {
        folderShown_ = report.queue.front();
        setLbltime(searchingCaption() + folderShown_);
    }
}

void FrmSearch::stopSearch() {
    lstdirs->show();
    lstfiles->show();
    lbltime->setText(tr("Time taken: 0 second(s)"));
    Command1->setText(searchCaption());
    showCounts(lstfiles->count());
    setSearchControlsEnabled(true);
    chkhidelist->setEnabled(true);
    walker_.requestStop();
    lstdirs->clear();
    List1->show();
    lstfiles->show();
}

void FrmSearch::Drive1_Change() {
    const QString root = Drive1->currentData().toString();
    if (root.isEmpty())
        return;
    Dir1->setTop(root);
    Dir1->setPath(root); // runs Dir1_Change when that is another folder
}

void FrmSearch::Dir1_Change() {
    const auto mount = mounts::mountForPath(Dir1->path());
    if (!mount)
        return;
    const QSignalBlocker block(Drive1);
    int index = Drive1->findData(mount->mountPoint);
    if (index < 0) {
        Drive1->addItem(mount->mountPoint, mount->mountPoint);
        index = Drive1->count() - 1;
    }
    Drive1->setCurrentIndex(index);
    if (Dir1->top() != mount->mountPoint)
        Dir1->setTop(mount->mountPoint);
}

void FrmSearch::zFileExt_Change() {
    const QString text = zFileExt->text();
    const QString lower = text.toLower();
    if (lower == text)
        return;
    const int cursor = zFileExt->cursorPosition();
    zFileExt->setText(lower); // runs this again, which then finds nothing to change
    zFileExt->setCursorPosition(std::min<int>(cursor, int(lower.size())));
}

void FrmSearch::setLbltime(const QString& caption) {
    if (caption.size() <= progressCaptionLimit) {
        lbltime->setText(caption);
        return;
    }
    // The shortened caption is final: it is cut to the limit rather than shortened again.
    const QString ellipsis = QStringLiteral("...");
    const QString folder = lstdirs->count() > 0 ? lstdirs->item(0)->text() : folderShown_;
    lbltime->setText(folder.left(progressCaptionLimit - ellipsis.size()) + ellipsis);
}

bool FrmSearch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lstfiles && event->type() == QEvent::FocusIn) {
        // Tabbing into the results makes an entry current; it is the chosen one too, so that
        // its menu acts on it.
        if (!lstfiles->currentItem() && lstfiles->count() > 0)
            lstfiles->setCurrentRow(0);
        if (QListWidgetItem* item = lstfiles->currentItem();
            item && lstfiles->selectedItems().isEmpty())
            item->setSelected(true);
    }
    if (watched == lstfiles && event->type() == QEvent::KeyPress &&
        keys::opensContextMenu(*static_cast<QKeyEvent*>(event))) {
        // At the current entry, as a right press on it would.
        if (QListWidgetItem* item = lstfiles->currentItem()) {
            item->setSelected(true);
            lstfiles->scrollToItem(item);
            const QRect row = lstfiles->visualItemRect(item);
            lstfiles_MouseDown(Qt::RightButton,
                               lstfiles->viewport()->mapToGlobal(row.bottomLeft()));
        }
        return true;
    }
    if (watched == lstfiles->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::RightButton) {
            // The entry under the pointer becomes the selected one, as a left press would.
            if (QListWidgetItem* item = lstfiles->itemAt(press->position().toPoint()))
                lstfiles->setCurrentItem(item);
            lstfiles_MouseDown(Qt::RightButton, press->globalPosition().toPoint());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FrmSearch::lstfiles_MouseDown(Qt::MouseButton button, const QPoint& globalPos) {
    if (button != Qt::RightButton)
        return;
    const QString type = selectedResult().right(4).toLower();
    if (type == QLatin1String(".wav") || type == QLatin1String(".mp3"))
        mnupopup->popup(globalPos);
}

QString FrmSearch::selectedResult() const {
    const QListWidgetItem* item = lstfiles->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

void FrmSearch::removeResult(const QString& path) {
    const QList<QListWidgetItem*> found = lstfiles->findItems(path, Qt::MatchExactly);
    if (!found.isEmpty())
        delete lstfiles->takeItem(lstfiles->row(found.front()));
}

void FrmSearch::mnuSeelectfile_Click() {
    const QString path = selectedResult();
    if (path.isEmpty())
        return;
    // Into the tree once the file has settled, then into its list as found here.
    Cmaddfile2(path, [path] { showfiles3(path); });
}

void FrmSearch::mnuRemoveFile_Click() {
    if (QListWidgetItem* item = lstfiles->currentItem(); item && item->isSelected())
        delete lstfiles->takeItem(lstfiles->row(item));
}

void FrmSearch::mnuDelete_Click() {
    const QString path = selectedResult();
    if (path.isEmpty())
        return;
    BusyScope busy(*this);
    const dialogs::Answer answer =
        dialogs::msgBox(deleteQuestion(path), dialogs::Buttons::YesNoCancel,
                        dialogs::Icon::Exclamation, tr("Delete File"));
    if (answer != dialogs::Answer::Yes)
        return;
    // A file that was sent to the tree leaves it too, so the tree never lists a file that
    // is gone. The rest follows the deletion's settling wait, unless the window has closed.
    DeleteFileAndNode(path, this, [this, path](const std::optional<VortanError>& failed) {
        if (failed) {
            // Not deleted: the entry stays, and the user learns why.
            BusyScope shown(*this);
            dialogs::msgBox(failed->description(), dialogs::Buttons::Ok, dialogs::Icon::Critical);
            return;
        }
        // Other commands may have run since: the entry is found again by its path.
        removeResult(path);
    });
}

void FrmSearch::mnuClose_Click() {
    close();
}

void FrmSearch::cmdend_Click() {
    close();
}

// ---- "Internet Search" -------------------------------------------------------------------

void FrmSearch::webSearch(const QString& title) {
    const QUrl url = websearch::searchUrl(search1->currentText(), Text3->text());
    if (url.isEmpty()) {
        dialogs::msgBox(invalidEngineText(), dialogs::Buttons::Ok, dialogs::Icon::None, title);
        return;
    }
    if (!dialogs::handler().openUrl(url))
        dialogs::msgBox(tr("No web browser could be started to show the results. "
                           "Install a web browser, or open this address in "
                           "one:\n") +
                            url.toString(),
                        dialogs::Buttons::Ok, dialogs::Icon::Exclamation, title);
}

void FrmSearch::Cmdwebsearch_Click() {
    BusyScope busy(*this);
    webSearch(tr("Oops"));
}

void FrmSearch::Text3_KeyDown(int keyCode) {
    if (keyCode != 13)
        return;
    BusyScope busy(*this);
    webSearch(tr("Opps"));
    // After an Enter-started search the engine is chosen again.
    search1->setCurrentIndex(-1);
    search1->setEditText(QString());
}
