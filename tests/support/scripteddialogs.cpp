#include "scripteddialogs.h"

std::vector<dialogs::Message> ScriptedDialogs::messages() const {
    std::vector<dialogs::Message> out;
    for (const Record& r : records)
        if (r.kind == QLatin1String("message"))
            out.push_back(r.message);
    return out;
}

const dialogs::Message* ScriptedDialogs::lastMessage() const {
    for (auto it = records.rbegin(); it != records.rend(); ++it)
        if (it->kind == QLatin1String("message"))
            return &it->message;
    return nullptr;
}

void ScriptedDialogs::clear() {
    answers.clear();
    inputs.clear();
    files.clear();
    folders.clear();
    records.clear();
}

dialogs::Answer ScriptedDialogs::message(const dialogs::Message& m) {
    records.push_back({QStringLiteral("message"), m, {}, {}});
    if (!answers.empty()) {
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
    switch (m.buttons) {
    case dialogs::Buttons::YesNo:
    case dialogs::Buttons::YesNoCancel:
        return dialogs::Answer::Yes;
    case dialogs::Buttons::RetryCancel:
        return dialogs::Answer::Retry;
    case dialogs::Buttons::AbortRetryIgnore:
        return dialogs::Answer::Abort;
    default:
        return dialogs::Answer::Ok;
    }
}

std::optional<QString> ScriptedDialogs::input(const QString& title, const QString& prompt,
                                              const QString& defaultText) {
    records.push_back({QStringLiteral("input"), {title, prompt}, prompt, {}});
    if (inputs.empty())
        return defaultText;
    const bool cancelled = !inputs.front().has_value();
    const QString text = inputs.front().value_or(QString());
    inputs.pop_front();
    if (cancelled)
        return std::nullopt;
    return text;
}

QStringList ScriptedDialogs::openFiles(const dialogs::FileRequest& r) {
    records.push_back({QStringLiteral("openFiles"), {r.title, r.filter}, r.folder, {}});
    if (files.empty())
        return {};
    QStringList a = files.front();
    files.pop_front();
    return a;
}

QString ScriptedDialogs::saveFile(const dialogs::FileRequest& r) {
    records.push_back({QStringLiteral("saveFile"), {r.title, r.filter}, r.folder, {}});
    if (files.empty())
        return {};
    QStringList a = files.front();
    files.pop_front();
    return a.value(0);
}

QString ScriptedDialogs::chooseFolder(const QString& title, const QString& startFolder) {
    records.push_back({QStringLiteral("chooseFolder"), {title, {}}, startFolder, {}});
    if (folders.empty())
        return {};
    QString a = folders.front();
    folders.pop_front();
    return a;
}

bool ScriptedDialogs::openUrl(const QUrl& url) {
    records.push_back({QStringLiteral("openUrl"), {}, {}, url});
    return true;
}
