#include "server/logtext.h"

namespace server {

namespace {

// Characters that could end a line, steer a terminal or reorder what a reader sees.
bool unsafe(char32_t c) {
    switch (QChar::category(c)) {
    case QChar::Other_Control:       // C0, DEL, C1: newlines, escapes
    case QChar::Other_Format:        // bidirectional controls, zero-width characters
    case QChar::Other_Surrogate:     // half of a pair
    case QChar::Separator_Line:      // U+2028
    case QChar::Separator_Paragraph: // U+2029
        return true;
    default:
        return false;
    }
}

} // namespace

QString logField(const QString& text, int limit) {
    QString out;
    out.reserve(std::min<qsizetype>(text.size(), limit) + 1);
    for (qsizetype i = 0; i < text.size();) {
        char32_t c = text[i].unicode();
        qsizetype width = 1;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            width = 2;
        }
        if (out.size() + width > limit) {
            out.append(QChar(0x2026));
            break;
        }
        if (unsafe(c))
            out.append(QLatin1Char('?'));
        else
            out.append(text.mid(i, width));
        i += width;
    }
    return out;
}

} // namespace server
