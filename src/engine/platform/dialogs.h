#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

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

// A table the user picks one row of: `columns` heads it, each of `rows` is one row's texts.
struct RowChoice {
    QString title;
    QString prompt;
    QStringList columns;
    QList<QStringList> rows;
    int preselected = 0; // the row highlighted first, which Escape takes
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
    // keys move, Enter or a double click picks the highlighted row, and Escape (or closing
    // the window) picks the preselected one; -1 only when there are no rows. By default the
    // rows are offered through choose(), each as its texts joined; cancelling there picks
    // the preselected row.
    virtual int chooseRow(const RowChoice& choice);
    // A form of labelled one-line fields the user edits. The fields' texts in order, one per
    // field; empty optional: the user cancelled.
    virtual std::optional<QStringList> form(const QString& title,
                                            const QList<FormField>& fields) = 0;
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
