#include "engine/core/displaytext.h"

QString printable(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code >= 0x20 && code != 0x7F && !(code >= 0x80 && code < 0xA0)) {
            out += c;
            continue;
        }
        switch (code) {
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        case 0x1B:
            out += QLatin1String("\\e");
            break;
        default:
            out += code < 0x80 ? QStringLiteral("\\x%1").arg(int{code}, 2, 16, QLatin1Char('0'))
                               : QStringLiteral("\\u%1").arg(int{code}, 4, 16, QLatin1Char('0'));
        }
    }
    return out;
}

QString progressFigure(double percent) {
    return QString::asprintf("%05.2f", percent) + QStringLiteral(" %");
}

QString progressTitle(const QString& progress, const QString& caption) {
    return caption.isEmpty() ? progress : progress + QStringLiteral(" - ") + caption;
}
