#include "window/dialogs/formdialog.h"

#include "window/main/screenfit.h"

#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int fieldMinimumWidth = 320;
constexpr QSize defaultSize(480, 480);

// A field entered with Tab selects its whole text, as every line edit does, but with the
// cursor at the start: a text longer than the field shows its beginning, not its end.
class FormLineEdit final : public QLineEdit {
  public:
    FormLineEdit(const QString& text, QWidget* parent) : QLineEdit(text, parent) {
        setCursorPosition(0);
    }

  protected:
    void focusInEvent(QFocusEvent* event) override {
        QLineEdit::focusInEvent(event);
        const Qt::FocusReason reason = event->reason();
        const bool fromKeyboard = reason == Qt::TabFocusReason ||
                                  reason == Qt::BacktabFocusReason ||
                                  reason == Qt::ShortcutFocusReason;
        const qsizetype length = text().size();
        if (fromKeyboard && length > 0 && selectionStart() == 0 && selectedText().size() == length)
            setSelection(static_cast<int>(length), -static_cast<int>(length));
    }
};

} // namespace

FormDialog::FormDialog(const QString& title, const QList<dialogs::FormField>& fields,
                       QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(title);
    auto* outer = new QVBoxLayout(this);
    // A disc of many tracks gives a long form: it scrolls instead of outgrowing the screen.
    scroll_ = new QScrollArea(this);
    scroll_->setWidgetResizable(true);
    scroll_->setFocusPolicy(Qt::NoFocus);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* page = new QWidget(scroll_);
    auto* rows = new QFormLayout(page);
    for (const dialogs::FormField& field : fields) {
        auto* edit = new FormLineEdit(field.value, page);
        edit->setMinimumWidth(fieldMinimumWidth);
        edit->setReadOnly(field.readOnly);
        rows->addRow(field.label, edit); // the label is the field's buddy: its name
        edits_.push_back(edit);
    }
    scroll_->setWidget(page);
    // Room for the page at its least width beside the vertical bar, whether the bar shows or
    // not: the page is never narrowed under it.
    scroll_->setMinimumWidth(page->minimumSizeHint().width() +
                             scroll_->verticalScrollBar()->sizeHint().width() +
                             2 * scroll_->frameWidth());
    outer->addWidget(scroll_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    outer->addWidget(buttons);

    const auto editable = std::find_if(edits_.begin(), edits_.end(),
                                       [](const QLineEdit* edit) { return !edit->isReadOnly(); });
    if (editable != edits_.end())
        (*editable)->setFocus();
    else if (!edits_.empty())
        edits_.front()->setFocus();
    resize(defaultSize.expandedTo(minimumSizeHint()));
    fitToScreen(*this);
}

QStringList FormDialog::values() const {
    QStringList out;
    for (const QLineEdit* edit : edits_)
        out << edit->text();
    return out;
}
