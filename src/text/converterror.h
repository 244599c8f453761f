// Decimal text to a number, with the conversion error every reader of numbers shows.
#pragma once

#include <QString>
#include <QStringView>
#include <exception>
#include <string>

namespace text {

// A numeric field that is not a decimal number. what() is the text the player
// sees: "'<field>' is not a valid integer value".
class ConvertError : public std::exception {
public:
    explicit ConvertError(const QString& field);
    const char* what() const noexcept override { return m_utf8.c_str(); }
    QString message() const { return QString::fromStdString(m_utf8); }
    // The field as it came, for a host that cleans it before logging.
    const QString& field() const { return m_field; }

private:
    QString m_field;
    std::string m_utf8;
};

// Decimal text (optional "-", digits, 32-bit range) to int; throws ConvertError.
int toInt(QStringView field);
inline int toInt(const QString& field) {
    return toInt(QStringView(field));
}

} // namespace text
