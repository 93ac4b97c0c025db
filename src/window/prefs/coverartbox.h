#pragma once

#include <QGroupBox>

class QCheckBox;
class QComboBox;
class QLineEdit;

// Preferences' block for a looked-up release's front cover: the Cover Art Archive's address
// ("Cover art server"), the size fetched ("Cover art size") and whether a rip writes the cover
// beside its files ("Save cover file"). Each control stores its setting the moment it
// changes; the controls show the stored settings each time the box is shown. GUI thread.
class CoverArtBox final : public QGroupBox {
    Q_OBJECT
  public:
    explicit CoverArtBox(QWidget* parent = nullptr);

    QLineEdit* server() const { return server_; }
    QComboBox* size() const { return size_; }
    QCheckBox* saveFile() const { return saveFile_; }

    // The controls as the settings are now.
    void load();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QLineEdit* server_;
    QComboBox* size_;
    QCheckBox* saveFile_;
};
