#pragma once

#include "engine/platform/dialogs.h"

#include <deque>
#include <functional>
#include <vector>

// Answers every dialog from a script and records what was asked. Unscripted questions get
// the default answer (first button, default text, first item, no file; a form is cancelled),
// so no test ever blocks.
class ScriptedDialogs final : public dialogs::Handler {
  public:
    struct Record {
        QString kind; // "message", "input", "choose", "chooseRow", "form", "openFiles",
                      // "saveFile", "chooseFolder", "openUrl"
        dialogs::Message message;
        QString prompt;
        QUrl url;
        QStringList items = {};  // choose: the items offered; form: the fields' texts shown
        QStringList labels = {}; // form: the fields' labels; chooseRow: the columns
        int preselected = -1;    // chooseRow: the row offered first
        // A form with a picture (pictureForm): the picture as the form opened, then after
        // each action.
        std::vector<dialogs::FormPicture> pictures = {};
    };

    // Queued answers, taken in order by the matching kind of request.
    std::deque<dialogs::Answer> answers;
    std::deque<std::optional<QString>> inputs;
    // choose, chooseRow: empty optional: cancel
    std::deque<std::optional<int>> choices;
    std::deque<std::optional<QStringList>> forms; // the fields' texts; empty optional: cancel
    // When set, answers each form (recorded first) in place of `forms`: a test that looks at
    // the form as the user sees it shows it here.
    std::function<std::optional<QStringList>(const QString& title,
                                             const QList<dialogs::FormField>& fields)>
        formShown;
    std::deque<QStringList> files;
    std::deque<QString> folders;
    // The picture buttons a pictureForm's user presses, in order, before the form is answered
    // (from `forms` or `formShown`); emptied by each pictureForm.
    std::vector<dialogs::PictureAction> pictureActions;

    std::vector<Record> records;
    int busyDepth = 0;
    // What openUrl answers: false stands for a desktop with no web browser.
    bool urlsOpen = true;

    std::vector<dialogs::Message> messages() const;
    const dialogs::Message* lastMessage() const;
    // The last record of `kind`; nullptr when there is none.
    const Record* last(const QString& kind) const;
    void clear();

    dialogs::Answer message(const dialogs::Message& message) override;
    std::optional<QString> input(const QString& title, const QString& prompt,
                                 const QString& defaultText) override;
    std::optional<int> choose(const QString& title, const QString& prompt,
                              const QStringList& items) override;
    // Each row's texts joined by " | " are recorded as its item.
    int chooseRow(const dialogs::RowChoice& choice) override;
    std::optional<QStringList> form(const QString& title,
                                    const QList<dialogs::FormField>& fields) override;
    std::optional<QStringList> pictureForm(const QString& title,
                                           const QList<dialogs::FormField>& fields,
                                           const dialogs::FormPicture& picture,
                                           const dialogs::PictureChange& change) override;
    QStringList openFiles(const dialogs::FileRequest& request) override;
    QString saveFile(const dialogs::FileRequest& request) override;
    QString chooseFolder(const QString& title, const QString& startFolder) override;
    bool openUrl(const QUrl& url) override;
    void setBusy(bool busy) override { busyDepth += busy ? 1 : -1; }
};

namespace testsupport {
// The handler installed for the running test (fresh for every test).
ScriptedDialogs& scriptedDialogs();
} // namespace testsupport
