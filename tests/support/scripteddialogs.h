#pragma once

#include "platform/dialogs.h"

#include <deque>
#include <vector>

// Answers every dialog from a script and records what was asked. Unscripted questions get
// the default answer (first button, default text, no file), so no test ever blocks.
class ScriptedDialogs final : public dialogs::Handler {
  public:
    struct Record {
        QString kind; // "message", "input", "openFiles", "saveFile", "chooseFolder", "openUrl"
        dialogs::Message message;
        QString prompt;
        QUrl url;
    };

    // Queued answers, taken in order by the matching kind of request.
    std::deque<dialogs::Answer> answers;
    std::deque<std::optional<QString>> inputs;
    std::deque<QStringList> files;
    std::deque<QString> folders;

    std::vector<Record> records;
    int busyDepth = 0;

    std::vector<dialogs::Message> messages() const;
    const dialogs::Message* lastMessage() const;
    void clear();

    dialogs::Answer message(const dialogs::Message& message) override;
    std::optional<QString> input(const QString& title, const QString& prompt,
                                 const QString& defaultText) override;
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
