#include "window/playlist/frmplaylist.h"

#include "engine/core/destination.h"
#include "engine/core/filedeletion.h"
#include "engine/core/paths.h"
#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"
#include "engine/formats/mp3info.h"
#include "engine/platform/activemp3/activemp3.h"
#include "engine/platform/dialogs.h"
#include "engine/player/filemove.h"
#include "engine/player/modwave.h"
#include "engine/player/playliststore.h"
#include "engine/player/tagwriter.h"
#include "window/main/form1.h"
#include "window/main/keys.h"
#include "window/main/screenfit.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QPointer<frmPlayList> openWindow;

template <typename Control>
Control* named(Control* control, const char* name, const QString& toolTip = {}) {
    control->setObjectName(QLatin1String(name));
    if (!toolTip.isEmpty())
        control->setToolTip(toolTip);
    return control;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& toolTip = {}) {
    return named(new QPushButton(caption, parent), name, toolTip);
}

QString noData() {
    return QCoreApplication::translate("frmPlayList", "File contains no data");
}

} // namespace

frmPlayList::frmPlayList(QWidget* parent)
    : QWidget(parent, Qt::Window), ActiveMP31(new ActiveMP3(this)) {
    setObjectName(QStringLiteral("frmPlayList"));
    setWindowTitle(tr("Playlist Editor"));
    setAttribute(Qt::WA_DeleteOnClose);
    ActiveMP31->setObjectName(QStringLiteral("ActiveMP31"));
    buildControls();
    connectControls();
}

frmPlayList::~frmPlayList() = default; // the decoder control (a child) stops its playback

frmPlayList* frmPlayList::open(QWidget* parent) {
    if (!openWindow) {
        openWindow = new frmPlayList(parent);
        openWindow->Form_Load();
    }
    openWindow->show();
    openWindow->raise();
    openWindow->activateWindow();
    return openWindow;
}

frmPlayList* frmPlayList::instance() {
    return openWindow;
}

void frmPlayList::serve(Form1& main) {
    connect(&main, &Form1::playerWindowRequested, &main, [&main] { open(&main); });
    connect(&main, &Form1::playerWindowUnloadRequested, &main, [] {
        if (openWindow)
            openWindow->close();
    });
}

// ---- Controls ------------------------------------------------------------------------------

void frmPlayList::buildControls() {
    Frame1 = named(new QGroupBox(tr("MP3 PlayList "), this), "Frame1");
    List2 = named(new QListWidget(Frame1), "List2", tr("PlayList"));
    List2->setAccessibleName(tr("PlayList"));
    List2->installEventFilter(this); // an entry chosen with the keyboard
    List3 = named(new QListWidget(Frame1), "List3");
    List3->hide();
    Command20 = makeButton(Frame1, "Command20", tr("Add to PlayList"), tr("Add to Playlist"));
    Command6 = makeButton(Frame1, "Command6", tr("Delist"), tr("Remove File from PlayList"));
    Command2 = makeButton(Frame1, "Command2", tr("Rename File"));
    Command10 = makeButton(Frame1, "Command10", tr("Delete  File"), tr("Delete File"));
    Command11 = makeButton(Frame1, "Command11", tr("Play"), tr("Play"));
    Command12 = makeButton(Frame1, "Command12", tr("Stop"), tr("Stop"));
    Check11 =
        named(new QCheckBox(tr("Click on a file to add it to the Files List"), Frame1), "Check11");

    auto* listColumn = new QVBoxLayout(Frame1);
    listColumn->addWidget(List2, 1);
    listColumn->addWidget(Check11);
    auto* playRow = new QHBoxLayout;
    playRow->addWidget(Command11);
    playRow->addWidget(Command12);
    playRow->addStretch(1);
    listColumn->addLayout(playRow);
    auto* fileRow = new QHBoxLayout;
    for (QPushButton* button : {Command20, Command6, Command2, Command10})
        fileRow->addWidget(button);
    listColumn->addLayout(fileRow);

    Frame3 = named(new QGroupBox(tr("MP3 Playlist Editor"), this), "Frame3");
    Text5 = named(new QLineEdit(Frame3), "Text5", tr("Currently editing this file"));
    Text5->setAccessibleName(Text5->toolTip());
    cmdHdr1 = makeButton(Frame3, "cmdHdr1", QStringLiteral("..."), tr("Choose a file"));
    cmdHdr1->setAccessibleName(cmdHdr1->toolTip());
    cmdHdr2 = makeButton(Frame3, "cmdHdr2", tr("Read header"), tr("Read Header"));
    cmdTag = makeButton(Frame3, "cmdTag", tr(" Write tag"), tr("Write tag"));
    List1 = named(new QListWidget(Frame3), "List1", tr("Header Info"));
    List1->setAccessibleName(List1->toolTip());
    QFont fixed = List1->font();
    fixed.setFamily(QStringLiteral("monospace"));
    fixed.setStyleHint(QFont::TypeWriter);
    List1->setFont(fixed); // the lines align their values with spaces

    auto* panel = new QGridLayout(Frame3);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(Text5, 1);
    pathRow->addWidget(cmdHdr1);
    panel->addLayout(pathRow, 0, 0, 1, 3);
    const QStringList labels = tagwriter::tagFieldNames() << tr("Length");
    for (int i = 1; i <= 8; ++i) {
        Label177[i] = new QLabel(labels[i - 1], Frame3);
        Label177[i]->setObjectName(QStringLiteral("Label177_%1").arg(i));
        Text4[i] = new QLineEdit(Frame3);
        Text4[i]->setObjectName(QStringLiteral("Text4_%1").arg(i));
        Text4[i]->setAccessibleName(Label177[i]->text());
        Label177[i]->setBuddy(Text4[i]);
        panel->addWidget(Label177[i], i, 0);
        panel->addWidget(Text4[i], i, 1);
    }
    Text4[7]->setReadOnly(true);
    Text4[8]->setReadOnly(true);
    panel->addWidget(List1, 1, 2, 8, 1);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(cmdHdr2);
    buttonRow->addWidget(cmdTag);
    buttonRow->addStretch(1);
    panel->addLayout(buttonRow, 9, 0, 1, 3);
    panel->setColumnStretch(1, 1);
    panel->setColumnStretch(2, 1);

    auto* row = new QHBoxLayout(this);
    row->addWidget(Frame1, 1);
    row->addWidget(Frame3, 2);
    resize(900, 420);
    orderTabStops();
}

void frmPlayList::orderTabStops() {
    // The reading order: the list and its player, then its file buttons; the current file,
    // its tag fields and header lines, then the buttons that act on them.
    QList<QWidget*> order{List2,    Check11,  Command11, Command12, Command20,
                          Command6, Command2, Command10, Text5,     cmdHdr1};
    for (int i = 1; i <= 8; ++i)
        order << Text4[i];
    order << List1 << cmdHdr2 << cmdTag;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void frmPlayList::connectControls() {
    connect(Command11, &QPushButton::clicked, this, &frmPlayList::Command11_Click);
    connect(Command12, &QPushButton::clicked, this, &frmPlayList::Command12_Click);
    connect(cmdHdr1, &QPushButton::clicked, this, &frmPlayList::cmdHdr1_Click);
    connect(cmdHdr2, &QPushButton::clicked, this, &frmPlayList::cmdHdr2_Click);
    connect(cmdTag, &QPushButton::clicked, this, &frmPlayList::cmdTag_Click);
    connect(List2, &QListWidget::itemClicked, this, &frmPlayList::List2_Click);
    connect(Command20, &QPushButton::clicked, this, &frmPlayList::Command20_Click);
    connect(Command6, &QPushButton::clicked, this, &frmPlayList::Command6_Click);
    connect(Command2, &QPushButton::clicked, this, &frmPlayList::Command2_Click);
    connect(Command10, &QPushButton::clicked, this, &frmPlayList::Command10_Click);
}

bool frmPlayList::eventFilter(QObject* watched, QEvent* event) {
    // Return, Enter or Space on an entry make it the current file, as a click does.
    if (watched == List2 && event->type() == QEvent::KeyPress &&
        keys::activates(*static_cast<QKeyEvent*>(event)) && List2->currentItem()) {
        List2->currentItem()->setSelected(true);
        List2_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

QString frmPlayList::currentPath() const {
    return inDestination(Text5->text().trimmed());
}

QStringList frmPlayList::entries() const {
    QStringList list;
    for (int i = 0; i < List2->count(); ++i)
        list.append(List2->item(i)->text());
    return list;
}

void frmPlayList::setEntries(const QStringList& list) {
    List2->clear();
    List2->addItems(list);
}

void frmPlayList::Form_Load() {
    fitToScreen(*this);
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    setEntries(playliststore::load());
}

// ---- Player --------------------------------------------------------------------------------

void frmPlayList::Command11_Click() {
    if (List2->count() == 0)
        return;
    ModWave::StopAllPlayback(*ActiveMP31);
    const QList<QListWidgetItem*> selected = List2->selectedItems();
    // File names are case-sensitive here: the path keeps its case; only the ending is
    // compared without it.
    const QString path =
        selected.isEmpty() ? QString() : inDestination(selected.first()->text().trimmed());
    const QString ending = path.right(4).toLower();
    if (ending == QLatin1String(".wav"))
        ModWave::PlayWave(path);
    else if (ending == QLatin1String(".mid"))
        ModWave::PlayMidi(path);
    else if (ending == QLatin1String(".mp3"))
        ModWave::PlayMp3(*ActiveMP31, path);
}

void frmPlayList::Command12_Click() {
    ActiveMP31->stop();
    ModWave::StopAllPlayback(*ActiveMP31);
}

// ---- Tag and header panel -------------------------------------------------------------------

void frmPlayList::cmdHdr1_Click() {
    dialogs::BusyPointer busy;
    dialogs::FileRequest request;
    request.title = tr("Select Music file");
    request.folder = currentPath().isEmpty() ? DecodePath : currentPath();
    request.filter = tr("WAV, MP3, MID (*.wav *.mp3 *.mid *.WAV *.MP3 *.MID)");
    const QStringList chosen = dialogs::handler().openFiles(request);
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return;
    const QString path = chosen.first();
    Text5->setText(path);
    Text4[8]->setText(QString::number(QFileInfo(path).size()) + tr(" bytes"));
    if (isMp3Path(path))
        cmdHdr2_Click();
    else
        clearTagAndHeader(); // no MP3: nothing of another file may stay on show
}

void frmPlayList::clearTagAndHeader() {
    List1->clear();
    for (int i = 1; i <= 7; ++i)
        Text4[i]->clear();
}

void frmPlayList::cmdHdr2_Click() {
    if (currentPath().isEmpty())
        return;
    List1->clear();
    for (int i = 1; i <= 6; ++i)
        Text4[i]->clear();
    const QString path = currentPath();
    if (!isMp3Path(path)) {
        clearTagAndHeader(); // the panel reads MP3 files only
        return;
    }
    const QFileInfo file(path);
    if (!file.isFile() || file.size() < 100) {
        dialogs::msgBox(noData());
        Text5->clear();
        return;
    }
    Text4[8]->setText(QString::number(file.size()) + tr(" bytes"));
    // Read afresh: an analysis that fails leaves blanks, never another file's values.
    Mp3HeaderRecord& record = sharedMp3Header();
    record = Mp3HeaderRecord{};
    QString problem;
    try {
        ReadMp3Info(path, true, true, record);
    } catch (const VortanError& error) {
        problem = error.description(); // what the analysis read is shown, and why not more
    }
    List1->clear();
    List1->addItems(tagwriter::headerLines(record));
    const QStringList values = tagwriter::tagFieldValues(record);
    for (int i = 1; i <= 7; ++i)
        Text4[i]->setText(values[i - 1]);
    if (!problem.isEmpty())
        dialogs::msgBox(problem, dialogs::Buttons::Ok, dialogs::Icon::Information);
}

void frmPlayList::cmdTag_Click() {
    if (currentPath().isEmpty())
        return;
    if (!isMp3Path(currentPath())) {
        dialogs::msgBox(currentPath() + tr(": tags are written into MP3 files only; "
                                           "this file is left as it is."),
                        dialogs::Buttons::Ok, dialogs::Icon::Exclamation);
        return;
    }
    tagwriter::TagTexts texts;
    texts.title = Text4[2]->text();
    texts.artist = Text4[1]->text();
    texts.album = Text4[3]->text();
    texts.year = Text4[4]->text();
    texts.comment = Text4[5]->text();
    texts.genre = Text4[6]->text();
    // What the tag cannot hold as typed is said before anything is written.
    if (const QStringList altered = tagwriter::alteredFields(texts); !altered.isEmpty()) {
        const QPointer<frmPlayList> self(this);
        const dialogs::Answer answer = dialogs::msgBox(
            altered.join(QLatin1Char('\n')) + QStringLiteral("\n\n") + tr("Write the tag anyway?"),
            dialogs::Buttons::YesNo, dialogs::Icon::Exclamation, tr("Write tag"));
        if (!self || answer != dialogs::Answer::Yes)
            return;
    }
    const auto written = tagwriter::writeTagBlock(currentPath(), tagwriter::tagBlock(texts));
    if (!written) {
        dialogs::msgBox(written.error().description(), dialogs::Buttons::Ok,
                        dialogs::Icon::Critical);
        return;
    }
    cmdHdr2_Click(); // the panel shows what the file now holds
}

void frmPlayList::List2_Click() {
    if (List2->count() == 0)
        return;
    const QList<QListWidgetItem*> selected = List2->selectedItems();
    const QString entry = selected.isEmpty() ? QString() : selected.first()->text();
    Text5->setText(entry.trimmed());
    if (isMp3Path(entry.trimmed())) {
        const QPointer<frmPlayList> self(this);
        cmdHdr2_Click();
        if (!self)
            return;
    } else {
        clearTagAndHeader(); // no MP3: nothing of another file may stay on show
    }
    if (!Check11->isChecked())
        return;
    SourceTree* tree = SourceTree::instance();
    if (!tree)
        return;
    const QString trimmed = entry.trimmed();
    for (int i = 0; i < tree->List2.count(); ++i)
        if (tree->List2.at(i) == trimmed)
            return;
    tree->Cmaddfile2(inDestination(entry));
}

// ---- Play list -----------------------------------------------------------------------------

void frmPlayList::Command20_Click() {
    if (currentPath().isEmpty())
        return;
    const QString path = Text5->text();
    if (entries().contains(path))
        return;
    List2->addItem(path);
    playliststore::storeCount(List2->count());
    playliststore::storeEntry(List2->count(), path);
}

void frmPlayList::Command6_Click() {
    const QList<QListWidgetItem*> selected = List2->selectedItems();
    if (!selected.isEmpty())
        delete List2->takeItem(List2->row(selected.first()));
    const QStringList kept = entries();
    playliststore::rewrite(kept);
}

void frmPlayList::Command2_Click() {
    if (currentPath().isEmpty())
        return;
    const QString oldPath = currentPath();
    dialogs::FileRequest request;
    request.folder = QFileInfo(oldPath).absolutePath() + QLatin1Char('/') + BaseName(oldPath);
    request.filter = tr("All Files (*)");
    const QString chosen = dialogs::handler().saveFile(request);
    if (chosen.isEmpty())
        return;
    if (QFileInfo::exists(chosen) &&
        dialogs::msgBox(tr("The filename you picked already exists. Do you want to "
                           "overwrite the existing file?"),
                        dialogs::Buttons::YesNoCancel, dialogs::Icon::Exclamation,
                        chosen) != dialogs::Answer::Yes)
        return;
    const QPointer<frmPlayList> self(this);
    const Result<filemove::Moved> moved = filemove::moveFile(oldPath, chosen);
    if (!moved) {
        dialogs::msgBox(moved.error().description(), dialogs::Buttons::Ok, dialogs::Icon::Critical);
        return;
    }
    if (!moved->originalKept.isEmpty()) {
        // Both files exist: the main window keeps listing the original.
        dialogs::msgBox(tr("%1 was copied to %2, but the original cannot be removed: %3")
                            .arg(oldPath, chosen, moved->originalKept),
                        dialogs::Buttons::Ok, dialogs::Icon::Exclamation);
        if (!self)
            return;
    } else {
        fileRenamed(oldPath, chosen); // Start in the main window finds the file by its name
    }
    for (int i = 0; i < List2->count(); ++i) {
        if (List2->item(i)->text() == Text5->text()) {
            List2->item(i)->setText(chosen);
            Text5->setText(chosen);
            playliststore::storeEntry(i + 1, chosen); // the store follows at once
        }
    }
    Text5->setText(chosen);
    Command20_Click();
}

void frmPlayList::Command10_Click() {
    if (currentPath().isEmpty())
        return;
    const QString path = currentPath();
    const QFileInfo file(path);
    if (!file.isFile())
        return;
    Text4[8]->setText(QString::number(file.size()));
    if (Text4[8]->text().isEmpty() || Text4[8]->text() == QLatin1String("0")) {
        dialogs::msgBox(noData());
        DeleteFileAndNode(path, this);
        return;
    }
    if (dialogs::msgBox(deleteQuestion(path), dialogs::Buttons::YesNoCancel,
                        dialogs::Icon::Exclamation, tr("Delete File")) != dialogs::Answer::Yes)
        return;
    // The rest follows the deletion's settling wait, unless the window has closed by then.
    DeleteFileAndNode(path, this, [this, path](const std::optional<VortanError>& failed) {
        afterDelete(path, failed);
    });
}

void frmPlayList::afterDelete(const QString& path, const std::optional<VortanError>& failed) {
    if (failed) {
        // The file is still there: say why, and leave the list as it is.
        dialogs::msgBox(failed->description(), dialogs::Buttons::Ok, dialogs::Icon::Critical);
        return;
    }
    const QPointer<frmPlayList> self(this);
    dialogs::msgBox(path + tr(" has been Deleted"));
    if (!self)
        return;
    for (int i = 0; i < List2->count(); ++i) {
        if (List2->item(i)->text() == Text5->text()) {
            delete List2->takeItem(i);
            break;
        }
    }
    // Only MP3 entries stay on the list after a delete.
    QStringList kept;
    for (const QString& entry : entries())
        if (isMp3Path(entry))
            kept.append(entry);
    setEntries(kept);
    playliststore::rewrite(kept);
    Text5->clear();
    for (int i = 1; i <= 8; ++i)
        Text4[i]->clear();
    List1->clear();
}
