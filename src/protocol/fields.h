// Reading the "+"-separated fields of a message body.
#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <exception>
#include <string>

namespace wire {

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

class FieldReader {
public:
    explicit FieldReader(QString body) : m_body(std::move(body)) {}

    // Text up to the next "+" (or to the end); the "+" is consumed.
    QString next() { return nextView().toString(); }
    // The next field read as a number, without a copy of its text.
    int nextInt() { return toInt(nextView()); }
    // Everything not yet read (names and chat text are read this way).
    QString rest();
    bool atEnd() const { return m_pos >= m_body.size(); }

    // A list "+a+b+c" or "+none" at the end of the body, after the fields before it
    // were read with next(); "none" (or nothing) gives an empty list.
    QList<int> intList();

private:
    // The next field, a view into the body.
    QStringView nextView();

    QString m_body;
    qsizetype m_pos = 0;
};

} // namespace wire
