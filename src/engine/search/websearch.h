#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <vector>

// Web search: the five engines the finder window offers, the request each one is sent, and the
// blank page the window shows while no search has been made. Pure functions except the blank
// page writer; safe on any thread.
namespace websearch {

struct Engine {
    QString name;         // as the user picks or types it, compared exactly
    QString host;         // the engine's web search host (plain http)
    QString pathAndQuery; // up to the keywords
    QString suffix;       // after the keywords
};

// The engines, in the order the window lists them: "Yahoo", "Goto", "Google", "Altavista",
// "Go".
const std::vector<Engine>& engines();
QStringList engineNames();

// The keywords as they go into a query: percent-encoded as a form field (UTF-8; letters,
// digits and "-._~" kept), with every space a "+". "rock & roll" gives "rock+%26+roll".
QString encodeKeywords(const QString& keywords);

// The request for `engineName` (exact, case-sensitive) and `keywords`: "http://" + host + path
// and query + encoded keywords + suffix. An invalid (empty) QUrl when the name is not one of
// the engines.
QUrl searchUrl(const QString& engineName, const QString& keywords);

// The blank page: three lines, each ended by CR LF.
QByteArray blankPageContent();

// Writes the blank page as "Templat1.htm" in `programFolder`, after deleting a stale
// "Templat1.html" there; when the program folder cannot be written or is empty (an installed
// program), in the user's application data folder instead. Overwrites an earlier page. Returns the
// path of the page written, or an empty string when it could be written nowhere.
QString writeBlankPage(const QString& programFolder);

} // namespace websearch

// `text` with every occurrence of `find` (compared ignoring case) replaced by `replacement`,
// left to right; the search goes on after each inserted replacement, so inserted text is never
// searched again. Untouched parts keep their case. An empty `find` changes nothing.
QString ReplaceString(const QString& text, const QString& find, const QString& replacement);
