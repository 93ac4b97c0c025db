#include "scripteddialogs.h"

#include <utility>

std::vector<dialogs::Message> ScriptedDialogs::messages() const {
    std::vector<dialogs::Message> out;
    for (const Record& r : records)
        if (r.kind == QLatin1String("message"))
            out.push_back(r.message);
    return out;
}

const dialogs::Message* ScriptedDialogs::lastMessage() const {
    const Record* record = last(QStringLiteral("message"));
    return record ? &record->message : nullptr;
}

const ScriptedDialogs::Record* ScriptedDialogs::last(const QString& kind) const {
    for (auto it = records.rbegin(); it != records.rend(); ++it)
        if (it->kind == kind)
            return &*it;
    return nullptr;
}

void ScriptedDialogs::clear() {
    answers.clear();
    inputs.clear();
    choices.clear();
    forms.clear();
    formShown = nullptr;
    files.clear();
    folders.clear();
    records.clear();
    urlsOpen = true;
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

std::optional<int> ScriptedDialogs::choose(const QString& title, const QString& prompt,
                                           const QStringList& items) {
    records.push_back({QStringLiteral("choose"), {title, prompt}, prompt, {}, items, {}});
    if (choices.empty())
        return items.isEmpty() ? std::nullopt : std::optional<int>(0);
    const std::optional<int> choice = choices.front();
    choices.pop_front();
    return choice;
}

int ScriptedDialogs::chooseRow(const dialogs::RowChoice& choice) {
    Record record{QStringLiteral("chooseRow"),
                  {choice.title, choice.prompt},
                  choice.prompt,
                  {},
                  {},
                  choice.columns,
                  choice.preselected};
    for (const QStringList& row : choice.rows)
        record.items << row.join(QStringLiteral(" | "));
    records.push_back(record);
    if (choice.rows.isEmpty())
        return -1;
    std::optional<int> answer;
    if (!choices.empty()) {
        answer = choices.front();
        choices.pop_front();
    }
    return answer && *answer >= 0 && *answer < choice.rows.size() ? *answer : -1;
}

std::optional<QStringList> ScriptedDialogs::form(const QString& title,
                                                 const QList<dialogs::FormField>& fields) {
    Record record{QStringLiteral("form"), {title, {}}, {}, {}, {}, {}};
    for (const dialogs::FormField& field : fields) {
        record.labels << field.label;
        record.items << field.value;
    }
    records.push_back(record);
    if (formShown)
        return formShown(title, fields);
    if (forms.empty())
        return std::nullopt;
    const bool cancelled = !forms.front().has_value();
    QStringList values = forms.front().value_or(QStringList());
    forms.pop_front();
    if (cancelled)
        return std::nullopt;
    return values;
}

std::optional<QStringList> ScriptedDialogs::pictureForm(const QString& title,
                                                        const QList<dialogs::FormField>& fields,
                                                        const dialogs::FormPicture& picture,
                                                        const dialogs::PictureChange& change) {
    std::vector<dialogs::FormPicture> shown{picture};
    const std::vector<dialogs::PictureAction> actions = std::exchange(pictureActions, {});
    for (const dialogs::PictureAction action : actions)
        shown.push_back(change(action));
    // Recorded as the form it is, with what the picture showed.
    std::optional<QStringList> answer = form(title, fields);
    records.back().pictures = std::move(shown);
    return answer;
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
    return urlsOpen;
}
