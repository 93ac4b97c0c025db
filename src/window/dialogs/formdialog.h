#pragma once

#include "engine/platform/dialogs.h"

#include <QDialog>
#include <QList>
#include <QStringList>

#include <vector>

class QLineEdit;
class QScrollArea;

// The dialogs seam's form: labelled one-line fields over OK and Cancel. A long form scrolls
// up and down only: it is as wide as its fields with room for the scroll bar, so no field runs
// under the bar and no sideways bar appears, and it is fitted to its screen. It opens with the
// focus in its first field that can be edited, and each field shows the beginning of its text,
// also when it is entered from the keyboard. The scrolling area is no stop of the Tab chain:
// Tab goes from field to field and on to the buttons. GUI thread.
class FormDialog final : public QDialog {
    Q_OBJECT

  public:
    FormDialog(const QString& title, const QList<dialogs::FormField>& fields,
               QWidget* parent = nullptr);

    // The fields' texts in order.
    QStringList values() const;
    // One per field, in order.
    const std::vector<QLineEdit*>& fields() const { return edits_; }
    QScrollArea* scrollArea() const { return scroll_; }

  private:
    QScrollArea* scroll_ = nullptr;
    std::vector<QLineEdit*> edits_;
};
