#pragma once

#include "engine/library/mirrorrun.h"
#include "engine/service/conversionservice.h"

#include <QDialog>
#include <QPointer>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QStackedWidget;

namespace library {
class MirrorPlanJob;
}

// "Convert Folder": the source folders, the destination, the format with its bitrate or
// level, and the two boxes of a library mirror, with a line that counts what the mirror would
// do. The choices open as they were last used (Preferences' format choices where none was
// made). Why the choices cannot run is said in the dialog, and Convert is disabled until they
// can. Preview counts on a worker (a dry run of the mirror); Convert counts first when the
// count shown is not that of the choices, then makes the destination and accepts (or says why
// it cannot be made and stays): the owner takes request() and runs it.
// Folders are chosen through the dialogs seam. Shown with open(), never exec(), so a test
// drives it like a user. GUI thread.
class ConvertFolderDialog final : public QDialog {
    Q_OBJECT
  public:
    // `preferred`: the choices the request starts from (Preferences' formats, files at once).
    explicit ConvertFolderDialog(const ConversionSettings& preferred, QWidget* parent = nullptr);
    ~ConvertFolderDialog() override;

    // The request the controls make (dryRun false), or nothing with the reason in `refused`.
    std::optional<library::MirrorRequest> request(QString* refused = nullptr) const;
    // Lists `folder` as a source, as Add... does with the folder chosen; a folder listed
    // already is selected instead.
    void addSource(const QString& folder);
    // A count runs on the worker.
    bool isCounting() const { return counting_ != nullptr; }

    void cmdAdd_Click();
    void cmdRemove_Click();
    void cmdBrowse_Click();
    void cmdPreview_Click();
    void cmdConvert_Click();

    QListWidget* lstSources = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdRemove = nullptr;
    QLineEdit* txtDestination = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QComboBox* cmbFormat = nullptr;
    QLabel* lblSetting = nullptr;
    QStackedWidget* setting = nullptr; // the current format's control; empty for WAV
    QComboBox* cmbMp3Bitrate = nullptr;
    QSpinBox* spnFlacLevel = nullptr;
    QSpinBox* spnOpusBitrate = nullptr;
    QCheckBox* chkRemoveOrphans = nullptr;
    QCheckBox* chkPortableNames = nullptr;
    QLabel* lblRefusal = nullptr; // why the choices cannot run; empty when they can
    QLabel* lblPreview = nullptr; // the count of the choices shown, or that one runs
    QPushButton* cmdPreview = nullptr;
    QPushButton* cmdConvert = nullptr;
    QPushButton* cmdCancel = nullptr;

  private:
    // The controls laid out, the Tab order set.
    void arrange(QLabel* sourcesLabel, QLabel* destinationLabel, QLabel* formatLabel);
    void loadChoices();
    void saveChoices() const;
    void formatChanged();
    // Any choice changed: the count shown is no longer theirs; the refusal is said again.
    void choicesChanged();
    void count();
    void counted();
    void setCounting(bool counting);
    // Accepts once the destination is there and can be written; otherwise says why.
    void acceptWhenReady();

    ConversionSettings preferred_;
    library::MirrorPlanJob* counting_ = nullptr; // child, while a count runs
    bool countShown_ = false;       // lblPreview holds the count of the choices as they are
    bool convertCounted_ = false;   // Convert waits for the count under way
    QPointer<QWidget> focusBefore_; // the focus when a count started
};
