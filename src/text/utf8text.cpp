#include "text/utf8text.h"

#include <QStringDecoder>

namespace text {

QByteArray encode(const QString& text) {
    return text.toUtf8();
}

QString decode(const QByteArray& bytes) {
    // A leading U+FEFF is text like any other: dropping it would change a name or a
    // tally cell each time it is read back.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString s = utf8.decode(bytes);
    if (!utf8.hasError()) return s;
    return QString::fromLatin1(bytes);
}

QString singleLine(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const ushort u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0)) continue;
        if (u == 0x2028 || u == 0x2029) continue;
        out.append(c);
    }
    return out;
}

} // namespace text
