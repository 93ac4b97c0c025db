#pragma once

#include "engine/platform/dialogs.h"

#include <QDialog>
#include <QList>
#include <QStringList>

#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;

// The dialogs seam's form: labelled one-line fields over OK and Cancel. A long form scrolls
// up and down only: it is as wide as its fields with room for the scroll bar, so no field runs
// under the bar and no sideways bar appears, and it is fitted to its screen. It opens with the
// focus in its first field that can be edited, and each field shows the beginning of its text,
// also when it is entered from the keyboard. The scrolling area is no stop of the Tab chain:
// Tab goes from field to field and on to the buttons. With a picture, it shows the picture
// above the fields, with its caption and the buttons "Choose Image..." and "Remove", which
// call the form's change function and show the picture it gives. GUI thread.
class FormDialog final : public QDialog {
    Q_OBJECT

  public:
    FormDialog(const QString& title, const QList<dialogs::FormField>& fields,
               QWidget* parent = nullptr);
    FormDialog(const QString& title, const QList<dialogs::FormField>& fields,
               const dialogs::FormPicture& picture, dialogs::PictureChange change,
               QWidget* parent = nullptr);

    // The fields' texts in order.
    QStringList values() const;
    // One per field, in order.
    const std::vector<QLineEdit*>& fields() const { return edits_; }
    QScrollArea* scrollArea() const { return scroll_; }
    // The picture's parts; null without a picture.
    QLabel* pictureView() const { return pictureView_; }
    QLabel* pictureCaption() const { return pictureCaption_; }
    QPushButton* choosePictureButton() const { return choosePicture_; }
    QPushButton* removePictureButton() const { return removePicture_; }

  private:
    void showPicture(const dialogs::FormPicture& picture);

    dialogs::PictureChange change_;
    QLabel* pictureView_ = nullptr;
    QLabel* pictureCaption_ = nullptr;
    QPushButton* choosePicture_ = nullptr;
    QPushButton* removePicture_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    std::vector<QLineEdit*> edits_;
};
