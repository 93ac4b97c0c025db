#pragma once

#include <QGroupBox>

class QComboBox;
class QSpinBox;

// The Drive tab's choices of how rips read the disc: the read mode ("Secure", "Fast,
// verified", "Paranoid"), the minimum AccurateRip confidence that accepts a track read once,
// and the retries of a sector the drive cannot deliver. Each is stored the moment it
// changes; the stored choices are shown again each time the box is shown.
class ReadModeBox final : public QGroupBox {
    Q_OBJECT
  public:
    explicit ReadModeBox(QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void showStored();
    void modeChanged();

    QComboBox* cmbReadMode_ = nullptr; // data: the mode's name ("secure", "fast", "paranoid")
    QSpinBox* spnMinimumConfidence_ = nullptr;
    QSpinBox* spnRetryLimit_ = nullptr;
};
