#pragma once

#include <QString>

// Text from outside (a disc's CD-Text, the MusicBrainz service's answers, tags, file names)
// as it may be shown in a log or on a terminal: every control character is written out
// ("\n", "\r", "\t", "\e", else "\xHH"; C1 controls "\u0085"...), so such text can neither
// forge lines nor send a terminal escape sequences. Everything else stays as it is; the text
// itself (tags, names) is never changed, only what is shown of it.
QString printable(const QString& text);

// The progress figure of the main window: two integer digits at least, two decimals, " %"
// ("07.50 %").
QString progressFigure(double percent);
// The window caption while a file is converted: its progress caption, then the caption the
// file started with ("42.1% - Encoding a.wav"). The tray's tip follows the caption, and is
// cut at 63 characters: the figure comes first so that it always shows.
QString progressTitle(const QString& progress, const QString& caption);
