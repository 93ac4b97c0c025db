#include "window/prefs/coverartbox.h"

#include "engine/core/settings.h"
#include "engine/cover/coverarchive.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

CoverArtBox::CoverArtBox(QWidget* parent) : QGroupBox(tr("Cover Art"), parent) {
    setObjectName(QStringLiteral("grpCoverArt"));
    auto* grid = new QGridLayout(this);
    server_ = new QLineEdit(this);
    server_->setObjectName(QStringLiteral("txtCoverArtServer"));
    server_->setAccessibleName(tr("Cover art server"));
    server_->setToolTip(tr("Where a looked-up release's front cover is fetched from (https)"));
    auto* serverLabel = new QLabel(tr("Cover art server"), this);
    serverLabel->setBuddy(server_);
    size_ = new QComboBox(this);
    size_->setObjectName(QStringLiteral("cmbCoverArtSize"));
    size_->setAccessibleName(tr("Cover art size"));
    size_->addItem(tr("250 pixels"), QStringLiteral("250"));
    size_->addItem(tr("500 pixels"), QStringLiteral("500"));
    size_->addItem(tr("1200 pixels"), QStringLiteral("1200"));
    size_->addItem(tr("Original"), QStringLiteral("original"));
    auto* sizeLabel = new QLabel(tr("Cover art size"), this);
    sizeLabel->setBuddy(size_);
    saveFile_ = new QCheckBox(tr("Save cover.jpg beside the files"), this);
    saveFile_->setObjectName(QStringLiteral("chkSaveCoverFile"));
    saveFile_->setToolTip(tr("A rip writes the front cover beside its tracks; a file of that "
                             "name already there is kept"));
    grid->addWidget(serverLabel, 0, 0);
    grid->addWidget(server_, 0, 1);
    grid->addWidget(sizeLabel, 1, 0);
    grid->addWidget(size_, 1, 1);
    grid->addWidget(saveFile_, 2, 0, 1, 2);
    load();

    connect(server_, &QLineEdit::editingFinished, this, [this] {
        QString text = server_->text().trimmed();
        if (text.isEmpty()) {
            text = settings::defaultText(SettingKey::CoverArtServer);
            server_->setText(text);
        }
        WriteSetting(SettingKey::CoverArtServer, text);
    });
    connect(size_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            WriteSetting(SettingKey::CoverArtSize, size_->itemData(index).toString());
    });
    connect(saveFile_, &QCheckBox::toggled, this, [](bool checked) {
        WriteSetting(SettingKey::SaveCoverFile, std::int16_t(checked ? 1 : 0));
    });
}

void CoverArtBox::load() {
    const QSignalBlocker blockSize(size_);
    const QSignalBlocker blockFile(saveFile_);
    server_->setText(CoverArtServer);
    size_->setCurrentIndex(static_cast<int>(coverarchive::sizeFromText(CoverArtSize)));
    saveFile_->setChecked(SaveCoverFile == 1);
}

void CoverArtBox::showEvent(QShowEvent* event) {
    load();
    QGroupBox::showEvent(event);
}
