#include "engine/platform/dialogs.h"

#include <QTextStream>

namespace dialogs {
namespace {

// Without a user: say the message on stderr, take the first button.
class StderrHandler final : public Handler {
  public:
    Answer message(const Message& m) override {
        QTextStream(stderr) << m.title << ": " << m.text << Qt::endl;
        switch (m.buttons) {
        case Buttons::Ok:
        case Buttons::OkCancel:
            return Answer::Ok;
        case Buttons::YesNo:
        case Buttons::YesNoCancel:
            return Answer::Yes;
        case Buttons::RetryCancel:
            return Answer::Retry;
        case Buttons::AbortRetryIgnore:
            return Answer::Abort;
        }
        return Answer::Ok;
    }
    std::optional<QString> input(const QString&, const QString&, const QString& d) override {
        return d;
    }
    std::optional<int> choose(const QString&, const QString&, const QStringList& items) override {
        if (items.isEmpty())
            return std::nullopt;
        return 0;
    }
    // Nobody can fill it in: cancelled, so nothing is changed on nobody's word.
    std::optional<QStringList> form(const QString&, const QList<FormField>&) override {
        return std::nullopt;
    }
    QStringList openFiles(const FileRequest&) override { return {}; }
    QString saveFile(const FileRequest&) override { return {}; }
    QString chooseFolder(const QString&, const QString&) override { return {}; }
    bool openUrl(const QUrl&) override { return false; }
};

StderrHandler fallback;
Handler* current = nullptr;

} // namespace

int Handler::chooseRow(const RowChoice& choice) {
    if (choice.rows.isEmpty())
        return -1;
    QStringList items;
    for (const QStringList& row : choice.rows)
        items << row.join(QStringLiteral(" | "));
    const std::optional<int> picked = choose(choice.title, choice.prompt, items);
    return picked && *picked >= 0 && *picked < items.size() ? *picked : -1;
}

Handler* setHandler(Handler* h) {
    Handler* previous = current;
    current = h;
    return previous;
}

Handler& handler() {
    return current ? *current : fallback;
}

QString applicationTitle() {
    return QStringLiteral("MP3 Vortan v2.0");
}

Answer msgBox(const QString& text, Buttons buttons, Icon icon, const QString& title) {
    return handler().message({title.isEmpty() ? applicationTitle() : title, text, icon, buttons});
}

} // namespace dialogs
