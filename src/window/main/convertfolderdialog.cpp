#include "window/main/convertfolderdialog.h"

#include "engine/core/settings.h"
#include "engine/encode/modlame.h"
#include "engine/library/mirrorplanjob.h"
#include "engine/platform/dialogs.h"
#include "engine/platform/nativepath.h"
#include "window/main/formatchoices.h"
#include "window/main/namedcontrols.h"
#include "window/main/screenfit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <utility>

namespace {

using namespace namedcontrols;

const pipeline::OutputFormat formatOrder[] = {
    pipeline::OutputFormat::Mp3, pipeline::OutputFormat::Flac, pipeline::OutputFormat::Opus,
    pipeline::OutputFormat::Wav};

// The page of the setting's stack that holds `format`'s control (WAV's is empty).
int pageOf(pipeline::OutputFormat format) {
    switch (format) {
    case pipeline::OutputFormat::Mp3:
        return 0;
    case pipeline::OutputFormat::Flac:
        return 1;
    case pipeline::OutputFormat::Opus:
        return 2;
    case pipeline::OutputFormat::Wav:
        break;
    }
    return 3;
}

// `path` is `folder` or lies inside it; both canonical.
bool inside(const QString& path, const QString& folder) {
    if (path == folder)
        return true;
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    return path.startsWith(prefix);
}

QSpinBox* makeSpin(QWidget* parent, const char* name, int least, int most,
                   const QString& accessibleName) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QLatin1String(name));
    spin->setRange(least, most);
    spin->setAccessibleName(accessibleName);
    return spin;
}

} // namespace

ConvertFolderDialog::ConvertFolderDialog(const ConversionSettings& preferred, QWidget* parent)
    : QDialog(parent), preferred_(preferred) {
    setObjectName(QStringLiteral("ConvertFolderDialog"));
    setWindowTitle(tr("Convert Folder"));
    // Modal to its window only, and shown with open(): the caller goes on at once.
    setWindowModality(Qt::WindowModal);

    lstSources = new QListWidget(this);
    lstSources->setObjectName(QStringLiteral("lstSources"));
    lstSources->setAccessibleName(tr("Folders to convert"));
    lstSources->setMinimumHeight(lstSources->fontMetrics().height() * 4);
    auto* sourcesLabel = new QLabel(tr("&Folders to convert:"), this);
    sourcesLabel->setBuddy(lstSources);
    cmdAdd = makeButton(this, "cmdAdd", tr("&Add..."));
    cmdRemove = makeButton(this, "cmdRemove", tr("Re&move"));

    txtDestination = makeEdit(this, "txtDestination", tr("Into the folder"));
    // Room for a folder's path of a usual depth.
    txtDestination->setMinimumWidth(txtDestination->fontMetrics().averageCharWidth() * 40);
    auto* destinationLabel = new QLabel(tr("&Into the folder:"), this);
    destinationLabel->setBuddy(txtDestination);
    cmdBrowse = makeButton(this, "cmdBrowse", tr("&Browse..."));

    cmbFormat = makeCombo(this, "cmbFormat", tr("Format"));
    for (const pipeline::OutputFormat format : formatOrder)
        cmbFormat->addItem(pipeline::displayNameOf(format), pipeline::extensionOf(format));
    auto* formatLabel = new QLabel(tr("F&ormat:"), this);
    formatLabel->setBuddy(cmbFormat);

    setting = new QStackedWidget(this);
    setting->setObjectName(QStringLiteral("setting"));
    cmbMp3Bitrate = makeCombo(setting, "cmbMp3Bitrate", tr("MP3 bitrate"));
    for (int i = 0; i < modLAME::bitrateCount; ++i)
        cmbMp3Bitrate->addItem(tr("%1 kbit/s").arg(modLAME::bitrateForIndex(i)),
                               static_cast<uint>(modLAME::bitrateForIndex(i)));
    spnFlacLevel = makeSpin(setting, "spnFlacLevel", pipeline::minFlacLevel, pipeline::maxFlacLevel,
                            tr("FLAC compression level"));
    spnFlacLevel->setToolTip(tr("0: fastest, 8: smallest files; the sound is the same"));
    spnOpusBitrate = makeSpin(setting, "spnOpusBitrate", pipeline::minOpusBitrateKbps,
                              pipeline::maxOpusBitrateKbps, tr("Opus bitrate"));
    spnOpusBitrate->setSuffix(tr(" kbit/s"));
    setting->addWidget(cmbMp3Bitrate);
    setting->addWidget(spnFlacLevel);
    setting->addWidget(spnOpusBitrate);
    setting->addWidget(new QWidget(setting)); // WAV has no setting
    lblSetting = new QLabel(this);

    chkRemoveOrphans =
        makeCheck(this, "chkRemoveOrphans", tr("Remove outputs whose source is &gone"));
    chkPortableNames =
        makeCheck(this, "chkPortableNames", tr("&Names valid on memory cards and phones"));

    lblRefusal = new QLabel(this);
    lblRefusal->setObjectName(QStringLiteral("lblRefusal"));
    lblRefusal->setWordWrap(true);
    lblPreview = new QLabel(this);
    lblPreview->setObjectName(QStringLiteral("lblPreview"));
    lblPreview->setWordWrap(true);
    cmdPreview = makeButton(this, "cmdPreview", tr("&Preview"));
    cmdConvert = makeButton(this, "cmdConvert", tr("&Convert"));
    cmdConvert->setDefault(true);
    cmdCancel = makeButton(this, "cmdCancel", tr("Cancel"));

    arrange(sourcesLabel, destinationLabel, formatLabel);

    connect(cmdAdd, &QPushButton::clicked, this, &ConvertFolderDialog::cmdAdd_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &ConvertFolderDialog::cmdRemove_Click);
    connect(cmdBrowse, &QPushButton::clicked, this, &ConvertFolderDialog::cmdBrowse_Click);
    connect(cmdPreview, &QPushButton::clicked, this, &ConvertFolderDialog::cmdPreview_Click);
    connect(cmdConvert, &QPushButton::clicked, this, &ConvertFolderDialog::cmdConvert_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    loadChoices();
    formatChanged();
    const auto changed = [this] { choicesChanged(); };
    connect(lstSources, &QListWidget::itemSelectionChanged, this, changed);
    connect(txtDestination, &QLineEdit::textChanged, this, changed);
    connect(cmbFormat, &QComboBox::currentIndexChanged, this, [this] { formatChanged(); });
    connect(cmbMp3Bitrate, &QComboBox::currentIndexChanged, this, changed);
    connect(spnFlacLevel, &QSpinBox::valueChanged, this, changed);
    connect(spnOpusBitrate, &QSpinBox::valueChanged, this, changed);
    connect(chkRemoveOrphans, &QCheckBox::toggled, this, changed);
    connect(chkPortableNames, &QCheckBox::toggled, this, changed);

    adjustSize();
    fitToScreen(*this);
}

void ConvertFolderDialog::arrange(QLabel* sourcesLabel, QLabel* destinationLabel,
                                  QLabel* formatLabel) {
    auto* sourceButtons = new QVBoxLayout;
    sourceButtons->addWidget(cmdAdd);
    sourceButtons->addWidget(cmdRemove);
    sourceButtons->addStretch();
    auto* sources = new QHBoxLayout;
    sources->addWidget(lstSources, 1);
    sources->addLayout(sourceButtons);

    auto* grid = new QGridLayout;
    grid->addWidget(destinationLabel, 0, 0);
    grid->addWidget(txtDestination, 0, 1);
    grid->addWidget(cmdBrowse, 0, 2);
    grid->addWidget(formatLabel, 1, 0);
    grid->addWidget(cmbFormat, 1, 1, Qt::AlignLeft);
    grid->addWidget(lblSetting, 2, 0);
    grid->addWidget(setting, 2, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);

    auto* preview = new QHBoxLayout;
    preview->addWidget(lblPreview, 1);
    preview->addWidget(cmdPreview, 0, Qt::AlignTop);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(cmdConvert, QDialogButtonBox::AcceptRole);
    buttons->addButton(cmdCancel, QDialogButtonBox::RejectRole);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sourcesLabel);
    layout->addLayout(sources, 1);
    layout->addLayout(grid);
    layout->addWidget(chkRemoveOrphans);
    layout->addWidget(chkPortableNames);
    layout->addWidget(lblRefusal);
    layout->addLayout(preview);
    layout->addWidget(buttons);

    QWidget* order[] = {lstSources,     cmdAdd,           cmdRemove,        txtDestination,
                        cmdBrowse,      cmbFormat,        cmbMp3Bitrate,    spnFlacLevel,
                        spnOpusBitrate, chkRemoveOrphans, chkPortableNames, cmdPreview,
                        cmdConvert,     cmdCancel};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

ConvertFolderDialog::~ConvertFolderDialog() {
    delete counting_; // its worker is stopped and joined before this dialog goes
}

void ConvertFolderDialog::loadChoices() {
    for (const QString& folder : ConvertFolderSources.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        lstSources->addItem(folder);
    if (lstSources->count() > 0)
        lstSources->setCurrentRow(0);
    txtDestination->setText(ConvertFolderDestination.isEmpty()
                                ? DecodePath + QStringLiteral("/Converted")
                                : ConvertFolderDestination);

    chkRemoveOrphans->setChecked(ConvertFolderRemoveOrphans == 1);
    chkPortableNames->setChecked(ConvertFolderPortableNames == 1);
    const pipeline::EncoderSettings& formats = preferred_.formats;
    cmbMp3Bitrate->setCurrentIndex(
        std::max(0, cmbMp3Bitrate->findData(static_cast<uint>(formats.mp3.bitrateKbps))));
    spnFlacLevel->setValue(formats.flacLevel);
    spnOpusBitrate->setValue(formats.opusBitrateKbps);
    const pipeline::OutputFormat format =
        formatchoices::formatNamed(ConvertFolderFormat, preferred_.convertTo);
    cmbFormat->setCurrentIndex(cmbFormat->findData(pipeline::extensionOf(format)));

    // The figure last chosen belongs to the format last chosen; one out of range is left out.
    bool ok = false;
    const int figure = ConvertFolderSetting.trimmed().toInt(&ok);
    if (!ok || ConvertFolderFormat.isEmpty())
        return;
    if (format == pipeline::OutputFormat::Mp3 && cmbMp3Bitrate->findData(uint(figure)) >= 0)
        cmbMp3Bitrate->setCurrentIndex(cmbMp3Bitrate->findData(uint(figure)));
    else if (format == pipeline::OutputFormat::Flac && figure >= pipeline::minFlacLevel &&
             figure <= pipeline::maxFlacLevel)
        spnFlacLevel->setValue(figure);
    else if (format == pipeline::OutputFormat::Opus && figure >= pipeline::minOpusBitrateKbps &&
             figure <= pipeline::maxOpusBitrateKbps)
        spnOpusBitrate->setValue(figure);
}

void ConvertFolderDialog::saveChoices() const {
    QStringList sources;
    for (int i = 0; i < lstSources->count(); ++i)
        sources << lstSources->item(i)->text();
    WriteSetting(SettingKey::ConvertFolderSources, sources.join(QLatin1Char('\n')));
    WriteSetting(SettingKey::ConvertFolderDestination, txtDestination->text().trimmed());
    WriteSetting(SettingKey::ConvertFolderFormat, cmbFormat->currentData().toString());
    QString figure;
    QWidget* control = setting->currentWidget();
    if (control == cmbMp3Bitrate)
        figure = cmbMp3Bitrate->currentData().toString();
    else if (auto* spin = qobject_cast<QSpinBox*>(control))
        figure = QString::number(spin->value());
    WriteSetting(SettingKey::ConvertFolderSetting, figure);
    WriteSetting(SettingKey::ConvertFolderRemoveOrphans,
                 std::int16_t(chkRemoveOrphans->isChecked() ? 1 : 0));
    WriteSetting(SettingKey::ConvertFolderPortableNames,
                 std::int16_t(chkPortableNames->isChecked() ? 1 : 0));
}

std::optional<library::MirrorRequest> ConvertFolderDialog::request(QString* refused) const {
    const auto refuse = [refused](const QString& why) {
        if (refused)
            *refused = why;
        return std::nullopt;
    };
    library::MirrorRequest request;
    QStringList canonicalRoots;
    for (int i = 0; i < lstSources->count(); ++i) {
        const QString root = nativepath::absolute(lstSources->item(i)->text());
        const QString canonical = nativepath::canonical(root);
        for (qsizetype j = 0; j < canonicalRoots.size(); ++j)
            if (!canonical.isEmpty() &&
                (inside(canonical, canonicalRoots[j]) || inside(canonicalRoots[j], canonical)))
                return refuse(tr("%1 and %2: one folder lies inside the other, and its files "
                                 "would be converted twice. Remove one of them.")
                                  .arg(request.roots[j], root));
        request.roots << root;
        canonicalRoots << canonical;
    }
    if (request.roots.isEmpty())
        return refuse(tr("Add the folder to convert."));
    const QString destination = txtDestination->text().trimmed();
    if (destination.isEmpty())
        return refuse(tr("Choose the folder to convert into."));
    if (!QDir::isAbsolutePath(destination))
        return refuse(tr("Give the folder to convert into from the top, starting with \"/\"."));
    request.destination = nativepath::absolute(destination);

    request.format = formatchoices::formatNamed(cmbFormat->currentData().toString(),
                                                pipeline::OutputFormat::Mp3);
    request.settings = preferred_.formats;
    request.settings.mp3.bitrateKbps = cmbMp3Bitrate->currentData().toUInt();
    request.settings.flacLevel = spnFlacLevel->value();
    request.settings.opusBitrateKbps = spnOpusBitrate->value();
    request.removeOrphans = chkRemoveOrphans->isChecked();
    request.portableNames = chkPortableNames->isChecked();
    request.filesAtOnce = preferred_.filesAtOnce;
    if (const QString why = library::MirrorRun::refusal(request); !why.isEmpty())
        return refuse(why);
    return request;
}

void ConvertFolderDialog::addSource(const QString& folder) {
    if (folder.isEmpty())
        return;
    const QString path = nativepath::absolute(folder);
    const auto listed = lstSources->findItems(path, Qt::MatchExactly);
    if (!listed.isEmpty()) {
        lstSources->setCurrentItem(listed.front());
        return;
    }
    lstSources->addItem(path);
    lstSources->setCurrentRow(lstSources->count() - 1);
    choicesChanged();
}

void ConvertFolderDialog::cmdAdd_Click() {
    const QListWidgetItem* current = lstSources->currentItem();
    addSource(dialogs::handler().chooseFolder(tr("Convert Folder: a folder to convert"),
                                              current ? current->text() : DecodePath));
}

void ConvertFolderDialog::cmdRemove_Click() {
    delete lstSources->currentItem();
    choicesChanged();
}

void ConvertFolderDialog::cmdBrowse_Click() {
    const QString folder = dialogs::handler().chooseFolder(
        tr("Convert Folder: the folder to convert into"), txtDestination->text().trimmed());
    if (!folder.isEmpty())
        txtDestination->setText(nativepath::absolute(folder));
}

void ConvertFolderDialog::cmdPreview_Click() {
    convertCounted_ = false;
    count();
}

void ConvertFolderDialog::cmdConvert_Click() {
    if (isCounting() || !request())
        return;
    if (countShown_) {
        acceptWhenReady();
        return;
    }
    convertCounted_ = true;
    count();
}

void ConvertFolderDialog::acceptWhenReady() {
    // The destination is made now, so that why it cannot be is said here, with the choices
    // still open to change.
    if (auto refused = library::MirrorRun::makeDestination(
            nativepath::absolute(txtDestination->text().trimmed()))) {
        lblRefusal->setText(refused->description());
        return;
    }
    saveChoices();
    accept();
}

void ConvertFolderDialog::formatChanged() {
    const pipeline::OutputFormat format = formatchoices::formatNamed(
        cmbFormat->currentData().toString(), pipeline::OutputFormat::Mp3);
    setting->setCurrentIndex(pageOf(format));
    switch (format) {
    case pipeline::OutputFormat::Mp3:
    case pipeline::OutputFormat::Opus:
        lblSetting->setText(tr("Bit&rate:"));
        break;
    case pipeline::OutputFormat::Flac:
        lblSetting->setText(tr("Compression &level:"));
        break;
    case pipeline::OutputFormat::Wav:
        lblSetting->clear();
        break;
    }
    lblSetting->setBuddy(setting->currentWidget());
    choicesChanged();
}

void ConvertFolderDialog::choicesChanged() {
    if (isCounting())
        return; // the controls are disabled meanwhile
    countShown_ = false;
    lblPreview->clear();
    lblPreview->setToolTip({});
    setCounting(false);
}

void ConvertFolderDialog::setCounting(bool counting) {
    // The controls disabled meanwhile pass the focus on (to Cancel, which then answers
    // Enter): it goes back where it was, and Enter to Convert.
    if (counting && !focusBefore_)
        focusBefore_ = focusWidget();
    for (QWidget* control :
         std::initializer_list<QWidget*>{lstSources, cmdAdd, txtDestination, cmdBrowse, cmbFormat,
                                         setting, chkRemoveOrphans, chkPortableNames})
        control->setEnabled(!counting);
    QString refused;
    const bool valid = !counting && request(&refused).has_value();
    lblRefusal->setText(counting ? QString() : refused);
    cmdRemove->setEnabled(!counting && lstSources->currentItem() != nullptr);
    cmdPreview->setEnabled(valid);
    cmdConvert->setEnabled(valid);
    if (!counting) {
        if (focusBefore_ && focusBefore_->isEnabled())
            focusBefore_->setFocus(Qt::OtherFocusReason);
        focusBefore_ = nullptr;
        cmdConvert->setDefault(true);
    }
}

void ConvertFolderDialog::count() {
    QString refused;
    std::optional<library::MirrorRequest> chosen = request(&refused);
    if (!chosen) {
        lblRefusal->setText(refused);
        convertCounted_ = false;
        return;
    }
    chosen->dryRun = true;
    counting_ = new library::MirrorPlanJob(*chosen, this);
    connect(counting_, &FileJob::finished, this, &ConvertFolderDialog::counted);
    lblPreview->setText(tr("Counting the files..."));
    lblPreview->setToolTip({});
    setCounting(true);
    counting_->begin();
}

void ConvertFolderDialog::counted() {
    library::MirrorPlanJob* job = counting_;
    counting_ = nullptr;
    job->deleteLater(); // it is still emitting finished()
    setCounting(false);
    const bool convert = std::exchange(convertCounted_, false);
    const JobResult result = job->result();
    if (result.status != JobResult::Status::Completed) {
        lblPreview->setText(result.status == JobResult::Status::Failed
                                ? tr("The files could not be counted: %1").arg(result.reason)
                                : QString());
        return;
    }
    library::MirrorRun& preview = *job->run();
    const Result<int> orphans = preview.settleOrphans();
    if (!orphans) {
        lblPreview->setText(
            tr("The files could not be counted: %1").arg(orphans.error().description()));
        return;
    }
    qsizetype converts = 0;
    for (const library::MirrorTask& task : preview.tasks())
        converts += task.kind == library::MirrorTask::Kind::Convert ? 1 : 0;
    const library::MirrorCounts& c = preview.counts();
    QString text = tr("%1 to convert, %2 to copy, %3 up to date, %4 to remove")
                       .arg(converts)
                       .arg(static_cast<qsizetype>(preview.tasks().size()) - converts)
                       .arg(c.upToDate)
                       .arg(c.removed);
    if (c.failed > 0)
        text += tr(", %1 failing").arg(c.failed);
    lblPreview->setText(text);
    QStringList told = c.failures;
    for (const QString& problem : job->problems())
        if (!told.contains(problem))
            told << problem;
    lblPreview->setToolTip(told.mid(0, 20).join(QLatin1Char('\n')));
    countShown_ = true;
    if (convert)
        acceptWhenReady();
}
