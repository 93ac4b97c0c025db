#include "window/prefs/readmodebox.h"

#include "engine/cd/readmode.h"
#include "engine/core/settings.h"

#include <QComboBox>
#include <QFormLayout>
#include <QSignalBlocker>
#include <QSpinBox>

ReadModeBox::ReadModeBox(QWidget* parent) : QGroupBox(tr("Reading"), parent) {
    setObjectName(QStringLiteral("grpReadMode"));
    auto* form = new QFormLayout(this);
    cmbReadMode_ = new QComboBox(this);
    cmbReadMode_->setObjectName(QStringLiteral("cmbReadMode"));
    for (const readmode::Mode mode :
         {readmode::Mode::Secure, readmode::Mode::Fast, readmode::Mode::Paranoid})
        cmbReadMode_->addItem(readmode::textOf(mode), readmode::nameOf(mode));
    cmbReadMode_->setToolTip(
        tr("Secure reads every sector through the error-correcting reader. Fast, verified "
           "reads each track once and reads it again securely unless the AccurateRip database "
           "confirms it. Paranoid is secure with a test pass before every copy."));
    spnMinimumConfidence_ = new QSpinBox(this);
    spnMinimumConfidence_->setObjectName(QStringLiteral("spnMinimumConfidence"));
    spnMinimumConfidence_->setRange(1, 200);
    spnMinimumConfidence_->setToolTip(
        tr("How many rips in the database must agree with a track read once for it to be "
           "accepted"));
    spnRetryLimit_ = new QSpinBox(this);
    spnRetryLimit_->setObjectName(QStringLiteral("spnRetryLimit"));
    spnRetryLimit_->setRange(0, readmode::maxRetryLimit);
    spnRetryLimit_->setToolTip(
        tr("How often a sector the drive cannot read is tried again before the rip leaves "
           "silence there and goes on"));
    form->addRow(tr("Read &mode"), cmbReadMode_);
    form->addRow(tr("Minimum &confidence"), spnMinimumConfidence_);
    form->addRow(tr("&Retries of an unreadable sector"), spnRetryLimit_);
    showStored();
    connect(cmbReadMode_, &QComboBox::currentIndexChanged, this, [this] {
        WriteSetting(SettingKey::RipReadMode, cmbReadMode_->currentData().toString());
        modeChanged();
    });
    connect(spnMinimumConfidence_, &QSpinBox::valueChanged, this, [](int value) {
        WriteSetting(SettingKey::MinimumConfidence, static_cast<std::int16_t>(value));
    });
    connect(spnRetryLimit_, &QSpinBox::valueChanged, this, [](int value) {
        WriteSetting(SettingKey::ReadRetryLimit, static_cast<std::int16_t>(value));
    });
}

void ReadModeBox::showEvent(QShowEvent* event) {
    showStored();
    QGroupBox::showEvent(event);
}

void ReadModeBox::showStored() {
    // Showing the stored choices stores nothing.
    const QSignalBlocker blockMode(cmbReadMode_);
    const QSignalBlocker blockConfidence(spnMinimumConfidence_);
    const QSignalBlocker blockRetries(spnRetryLimit_);
    const readmode::Choices stored = readmode::fromSettings();
    cmbReadMode_->setCurrentIndex(cmbReadMode_->findData(readmode::nameOf(stored.mode)));
    spnMinimumConfidence_->setValue(stored.minimumConfidence);
    spnRetryLimit_->setValue(stored.retryLimit);
    modeChanged();
}

void ReadModeBox::modeChanged() {
    // The minimum confidence is a fast rip's alone.
    spnMinimumConfidence_->setEnabled(cmbReadMode_->currentData().toString() ==
                                      readmode::nameOf(readmode::Mode::Fast));
}
