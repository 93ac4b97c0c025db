#pragma once

#include <QString>

// Whether `text` fits the list-entry pattern `pattern`: ? one character, * any run (also
// empty), # one digit 0-9, [set] one character of the set and [!set] one character not in
// it (ranges such as a-z allowed; an unclosed "[" stands for itself). Comparison is
// case-sensitive. A pattern equal to the text always fits, so a file name holding these
// characters, such as "song [live].wav", still matches itself.
bool WildcardMatch(const QString& text, const QString& pattern);
