#include "engine/search/websearch.h"

#include "engine/core/settings.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace websearch {

namespace {

const QString blankPageName = QStringLiteral("Templat1.htm");
// An older name of the page, removed whenever the page is written.
const QString stalePageName = QStringLiteral("Templat1.html");

// Writes `bytes` as `path`, replacing what was there. False when any step fails.
bool writeWhole(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const bool written = file.write(bytes) == bytes.size();
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

QString applicationDataFolder() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QLatin1Char('/') + QLatin1String(settings::applicationName);
}

} // namespace

const std::vector<Engine>& engines() {
    // The two session paths carry a fixed identifier, one per engine.
    static const std::vector<Engine> table{
        {QStringLiteral("Yahoo"), QStringLiteral("search.yahoo.com"),
         QStringLiteral("/bin/search?p="), QString()},
        {QStringLiteral("Goto"), QStringLiteral("www.goto.com"),
         QStringLiteral("/d/search/;$sessionid$7QKXWPRNDBZTAHMJCVELS2F?type=home&Keywords="),
         QString()},
        {QStringLiteral("Google"), QStringLiteral("www.google.com"),
         QStringLiteral("/search?hl=en&q="), QStringLiteral("&btnG=Google+Search")},
        {QStringLiteral("Altavista"), QStringLiteral("www.altavista.com"),
         QStringLiteral("/sites/search/web?q="), QStringLiteral("=q&kl=XX&search=Search")},
        {QStringLiteral("Go"), QStringLiteral("www.go.com"),
         QStringLiteral("/d/search/p/go/;$sessionid$R4TNBKXQWLDHMZPCJSEAGVY?Keywords="), QString()},
    };
    return table;
}

QStringList engineNames() {
    QStringList names;
    for (const Engine& engine : engines())
        names << engine.name;
    return names;
}

QString encodeKeywords(const QString& keywords) {
    // Spaces are left for ReplaceString; everything else outside the unreserved set is escaped,
    // so "&", "=", "#" and "+" stay part of the keywords.
    const QByteArray escaped = QUrl::toPercentEncoding(keywords, QByteArrayLiteral(" "));
    return ReplaceString(QString::fromLatin1(escaped), QStringLiteral(" "), QStringLiteral("+"));
}

QUrl searchUrl(const QString& engineName, const QString& keywords) {
    for (const Engine& engine : engines()) {
        if (engine.name != engineName)
            continue;
        const QString text = QStringLiteral("http://") + engine.host + engine.pathAndQuery +
                             encodeKeywords(keywords) + engine.suffix;
        return QUrl::fromEncoded(text.toLatin1(), QUrl::StrictMode);
    }
    return {};
}

QByteArray blankPageContent() {
    return QByteArrayLiteral("<html><head><title>title</title></head><body>\r\n"
                             "\r\n"
                             "</BODY></HTML>\r\n");
}

QString writeBlankPage(const QString& programFolder) {
    const QString dataFolder = applicationDataFolder();
    for (const QString& folder : {programFolder, dataFolder}) {
        const bool ready = folder == dataFolder ? QDir().mkpath(folder) : QDir(folder).exists();
        if (folder.isEmpty() || !ready)
            continue;
        const QDir dir(folder);
        QFile::remove(dir.filePath(stalePageName)); // a missing file is no error
        const QString path = dir.filePath(blankPageName);
        if (writeWhole(path, blankPageContent()))
            return path;
    }
    return {};
}

} // namespace websearch

QString ReplaceString(const QString& text, const QString& find, const QString& replacement) {
    if (find.isEmpty())
        return text;
    QString out;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(find, from, Qt::CaseInsensitive);
        if (at < 0)
            break;
        out += QStringView(text).mid(from, at - from);
        out += replacement;
        from = at + find.size();
    }
    out += QStringView(text).mid(from);
    return out;
}
