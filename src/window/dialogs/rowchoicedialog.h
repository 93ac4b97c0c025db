#pragma once

#include "engine/platform/dialogs.h"

#include <QDialog>

class QTreeWidget;

// A table of rows the user picks one of (dialogs::Handler::chooseRow): the preselected row is
// current and focused, so the arrow keys move at once; Enter, a double click or "Choose"
// picks the current row; Escape, "Cancel" or closing picks none.
class RowChoiceDialog final : public QDialog {
    Q_OBJECT

  public:
    explicit RowChoiceDialog(const dialogs::RowChoice& choice, QWidget* parent = nullptr);

    // The row picked once the dialog has ended (see above); -1 when none was (cancelled, or
    // no rows).
    int picked() const;
    QTreeWidget* table() const { return table_; }

  private:
    QTreeWidget* table_ = nullptr;
};
