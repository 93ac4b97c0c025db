#include "window/dialogs/widgetdialogs.h"

#include "window/dialogs/formdialog.h"
#include "window/dialogs/rowchoicedialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

using dialogs::Answer;
using dialogs::Buttons;
using dialogs::Icon;

namespace {

QMessageBox::Icon toQtIcon(Icon icon) {
    switch (icon) {
    case Icon::None:
        return QMessageBox::NoIcon;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQtButtons(Buttons buttons) {
    switch (buttons) {
    case Buttons::Ok:
        return QMessageBox::Ok;
    case Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    case Buttons::AbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

Answer fromQt(int button) {
    switch (button) {
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Retry:
        return Answer::Retry;
    case QMessageBox::Abort:
        return Answer::Abort;
    case QMessageBox::Ignore:
        return Answer::Ignore;
    default:
        return Answer::Ok;
    }
}

} // namespace

Answer WidgetDialogs::message(const dialogs::Message& m) {
    QMessageBox box(toQtIcon(m.icon), m.title, m.text, toQtButtons(m.buttons),
                    QApplication::activeWindow());
    return fromQt(box.exec());
}

std::optional<QString> WidgetDialogs::input(const QString& title, const QString& prompt,
                                            const QString& defaultText) {
    bool ok = false;
    QString text = QInputDialog::getText(QApplication::activeWindow(), title, prompt,
                                         QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<int> WidgetDialogs::choose(const QString& title, const QString& prompt,
                                         const QStringList& items) {
    if (items.isEmpty())
        return std::nullopt;
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setComboBoxItems(items);
    dialog.setComboBoxEditable(false);
    dialog.setTextValue(items.first());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    // By position: two items may read the same.
    const auto* list = dialog.findChild<QComboBox*>();
    const int index =
        list ? list->currentIndex() : static_cast<int>(items.indexOf(dialog.textValue()));
    if (index < 0 || index >= items.size())
        return std::nullopt;
    return index;
}

int WidgetDialogs::chooseRow(const dialogs::RowChoice& choice) {
    if (choice.rows.isEmpty())
        return -1;
    RowChoiceDialog dialog(choice, QApplication::activeWindow());
    dialog.exec();
    return dialog.picked();
}

std::optional<QStringList> WidgetDialogs::form(const QString& title,
                                               const QList<dialogs::FormField>& fields) {
    FormDialog dialog(title, fields, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.values();
}

std::optional<QStringList> WidgetDialogs::pictureForm(const QString& title,
                                                      const QList<dialogs::FormField>& fields,
                                                      const dialogs::FormPicture& picture,
                                                      const dialogs::PictureChange& change) {
    FormDialog dialog(title, fields, picture, change, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.values();
}

QStringList WidgetDialogs::openFiles(const dialogs::FileRequest& r) {
    QWidget* parent = QApplication::activeWindow();
    if (r.multiple)
        return QFileDialog::getOpenFileNames(parent, r.title, r.folder, r.filter);
    QString one = QFileDialog::getOpenFileName(parent, r.title, r.folder, r.filter);
    return one.isEmpty() ? QStringList{} : QStringList{one};
}

QString WidgetDialogs::saveFile(const dialogs::FileRequest& r) {
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), r.title, r.folder, r.filter);
}

QString WidgetDialogs::chooseFolder(const QString& title, const QString& startFolder) {
    return QFileDialog::getExistingDirectory(QApplication::activeWindow(), title, startFolder);
}

bool WidgetDialogs::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

void WidgetDialogs::setBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}
