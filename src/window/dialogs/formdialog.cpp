#include "window/dialogs/formdialog.h"

#include "window/main/screenfit.h"

#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int fieldMinimumWidth = 320;
constexpr QSize defaultSize(480, 480);
// The side of the square a form's picture is shown in.
constexpr int pictureSide = 160;

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
                       const dialogs::FormPicture& picture, dialogs::PictureChange change,
                       QWidget* parent)
    : FormDialog(title, fields, parent) {
    change_ = std::move(change);
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    pictureView_ = new QLabel(box);
    pictureView_->setFixedSize(pictureSide, pictureSide);
    pictureView_->setAlignment(Qt::AlignCenter);
    pictureView_->setFrameShape(QFrame::StyledPanel);
    row->addWidget(pictureView_);
    auto* side = new QVBoxLayout;
    pictureCaption_ = new QLabel(box);
    pictureCaption_->setWordWrap(true);
    pictureCaption_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    side->addWidget(pictureCaption_);
    choosePicture_ = new QPushButton(tr("Choose Image..."), box);
    removePicture_ = new QPushButton(tr("Remove"), box);
    choosePicture_->setAutoDefault(false);
    removePicture_->setAutoDefault(false);
    side->addWidget(choosePicture_);
    side->addWidget(removePicture_);
    side->addStretch();
    row->addLayout(side, 1);
    // Above the fields: the first thing the dialog shows.
    static_cast<QVBoxLayout*>(layout())->insertWidget(0, box);
    connect(choosePicture_, &QPushButton::clicked, this, [this] {
        if (change_)
            showPicture(change_(dialogs::PictureAction::Choose));
    });
    connect(removePicture_, &QPushButton::clicked, this, [this] {
        if (change_)
            showPicture(change_(dialogs::PictureAction::Remove));
    });
    showPicture(picture);
    resize(size().expandedTo(minimumSizeHint()));
    fitToScreen(*this);
}

void FormDialog::showPicture(const dialogs::FormPicture& picture) {
    pictureView_->setAccessibleName(picture.label);
    if (picture.image.isNull()) {
        pictureView_->setPixmap(QPixmap());
        pictureView_->setText(tr("No picture"));
    } else {
        pictureView_->setText(QString());
        pictureView_->setPixmap(QPixmap::fromImage(picture.image.scaled(
            pictureSide, pictureSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
    pictureCaption_->setText(picture.caption);
    removePicture_->setEnabled(!picture.image.isNull());
}

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
