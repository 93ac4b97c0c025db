#pragma once

#include "engine/core/paths.h"

#include <QLocale>
#include <QString>

// The program's texts in the user's language. English is the language of the sources: a
// user whose first preferred language is English, or one the program has no translation for,
// sees the texts as written.
namespace translation {

// Installs into the application the program's translation (a .qm file in `folder`) for the first of
// `locale`'s languages that has one, with Qt's own translation of its standard texts (dialog
// buttons) for that language. Returns the language installed ("de"), or an empty string when the
// program stays in English. Replaces what an earlier call installed.
QString install(const QLocale& locale = QLocale::system(),
                const QString& folder = TranslationsFolder());

// Takes out what install() put in: the texts are English again.
void remove();

} // namespace translation
