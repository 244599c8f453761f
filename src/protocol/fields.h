// Reading the "+"-separated fields of a message body.
#pragma once

#include "text/converterror.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace wire {

// Numbers on the wire read as everywhere else: the shared conversion and its error.
using text::ConvertError;
using text::toInt;

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
