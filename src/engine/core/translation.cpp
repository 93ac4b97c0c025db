#include "engine/core/translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>
#include <vector>

namespace {

// What install() put into the application; the application owns nothing of it.
std::vector<std::unique_ptr<QTranslator>>& installed() {
    static std::vector<std::unique_ptr<QTranslator>> translators;
    return translators;
}

// Loads `prefix`_`language` from `folder`, trying the language with its region ("de_AT")
// before the language alone ("de").
std::unique_ptr<QTranslator> load(const QString& prefix, QString language, const QString& folder) {
    auto translator = std::make_unique<QTranslator>();
    language.replace(QLatin1Char('-'), QLatin1Char('_'));
    while (!language.isEmpty()) {
        if (translator->load(prefix + language, folder))
            return translator;
        const qsizetype cut = language.lastIndexOf(QLatin1Char('_'));
        language.truncate(cut < 0 ? 0 : cut);
    }
    return nullptr;
}

} // namespace

QString translation::install(const QLocale& locale, const QString& folder) {
    remove();
    for (const QString& language : locale.uiLanguages()) {
        // The sources are English: a user who prefers English reads them as they are,
        // whatever languages follow in the list.
        if (language == QLatin1String("C") || language.startsWith(QLatin1String("en")))
            return {};
        std::unique_ptr<QTranslator> program = load(QStringLiteral("mp3vortan_"), language, folder);
        if (!program)
            continue;
        // Qt's own texts (standard buttons) in the same language, when the system has them.
        std::unique_ptr<QTranslator> qt = load(QStringLiteral("qtbase_"), language,
                                               QLibraryInfo::path(QLibraryInfo::TranslationsPath));
        const QString chosen = program->language().isEmpty() ? language : program->language();
        for (std::unique_ptr<QTranslator>* translator : {&qt, &program}) {
            if (*translator && QCoreApplication::installTranslator(translator->get()))
                installed().push_back(std::move(*translator));
        }
        return chosen;
    }
    return {};
}

void translation::remove() {
    for (const std::unique_ptr<QTranslator>& translator : installed())
        QCoreApplication::removeTranslator(translator.get());
    installed().clear();
}
