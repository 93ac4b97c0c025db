#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

// The one seam through which the program asks the user anything or hands something to the
// desktop: message boxes, input boxes, file and folder dialogs, URL opening, and the busy
// pointer. The windows install a widget-based handler at start-up; tests install a scripted
// one, so no test can hang on a modal dialog. Without any handler installed (engine-only
// programs) messages go to stderr and every question gets its default answer.
//
// GUI thread only.
namespace dialogs {

enum class Icon { None, Information, Exclamation, Critical, Question };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class Answer { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

struct Message {
    QString title;
    QString text;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
};

struct FileRequest {
    QString title;
    QString folder; // where the dialog starts
    QString filter; // Qt filter syntax: "WAV Files (*.wav);;All Files (*)"
    bool multiple = false;
};

// One line of a form: a label and the text its field starts with.
struct FormField {
    QString label;
    QString value;
    bool readOnly = false; // shown, not edited: its value comes back as given
};

// A picture a form shows above its fields, with buttons that replace or remove it.
struct FormPicture {
    QString label;   // what it is, e.g. "Front cover"
    QImage image;    // shown at most a few hundred pixels a side; null: there is none
    QString caption; // under it: where it came from and its size, or why there is none
};
enum class PictureAction { Choose, Remove };
// Does what a picture button asks (choose another picture, remove it) and gives the picture
// to show from then on. It may ask the user through this seam (a file dialog).
using PictureChange = std::function<FormPicture(PictureAction)>;
// A table the user picks one row of: `columns` heads it, each of `rows` is one row's texts.
struct RowChoice {
    QString title;
    QString prompt;
    QStringList columns;
    QList<QStringList> rows;
    int preselected = 0; // the row highlighted first
};

class Handler {
  public:
    virtual ~Handler() = default;
    virtual Answer message(const Message& message) = 0;
    // Empty optional: the user cancelled.
    virtual std::optional<QString> input(const QString& title, const QString& prompt,
                                         const QString& defaultText) = 0;
    // One of `items` (by index) picked from a list; the first is offered. Empty optional: the
    // user cancelled (or `items` is empty).
    virtual std::optional<int> choose(const QString& title, const QString& prompt,
                                      const QStringList& items) = 0;
    // The row (by index) picked from `choice`: the preselected row is highlighted, the arrow
    // keys move, Enter or a double click picks the highlighted row; -1 when the user
    // cancelled (Escape, or closing the window) or there are no rows. By default the rows are
    // offered through choose(), each as its texts joined.
    virtual int chooseRow(const RowChoice& choice);
    // A form of labelled one-line fields the user edits. The fields' texts in order, one per
    // field; empty optional: the user cancelled.
    virtual std::optional<QStringList> form(const QString& title,
                                            const QList<FormField>& fields) = 0;
    // form() with `picture` above the fields and a button to choose another picture and one
    // to remove it, each of which calls `change`. A handler that shows no pictures shows the
    // form alone.
    virtual std::optional<QStringList> pictureForm(const QString& title,
                                                   const QList<FormField>& fields,
                                                   const FormPicture& picture,
                                                   const PictureChange& change) {
        (void)picture;
        (void)change;
        return form(title, fields);
    }
    // Empty list: the user cancelled.
    virtual QStringList openFiles(const FileRequest& request) = 0;
    virtual QString saveFile(const FileRequest& request) = 0;
    virtual QString chooseFolder(const QString& title, const QString& startFolder) = 0;
    virtual bool openUrl(const QUrl& url) = 0;
    virtual void setBusy(bool busy) { (void)busy; }
};

// Installs `handler` (not owned) as the current one; nullptr restores the stderr fallback.
// Returns the previous handler so scoped installers can restore it.
Handler* setHandler(Handler* handler);
Handler& handler();

// The application title that message boxes use when the caller gives none.
QString applicationTitle();

// The common message box: `title` empty means the application title.
Answer msgBox(const QString& text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None,
              const QString& title = {});

// Shows the hourglass pointer while alive.
class BusyPointer {
  public:
    BusyPointer() { handler().setBusy(true); }
    ~BusyPointer() { handler().setBusy(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

} // namespace dialogs
