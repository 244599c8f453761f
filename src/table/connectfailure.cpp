#include "table/connectfailure.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace connectfailure {

namespace {

int codeOf(const QString& socketText) {
    static const QRegularExpression code(QStringLiteral("^Error #(\\d+) "));
    return code.match(socketText).captured(1).toInt();
}

// The port the address carries ("h:7800", "[v6]:7800"); empty for a bare IPv6 address,
// whose colons are its own.
QString portOf(const QString& address) {
    static const QRegularExpression port(QStringLiteral("^(?:\\[[^\\]]*\\]|[^:]+):(\\d+)$"));
    return port.match(address.trimmed()).captured(1);
}

QString say(const char* text) {
    return QCoreApplication::translate("Tchat", text);
}

} // namespace

QString describe(const QString& socketText, const QString& address, const QString& gamePort) {
    const QString own = portOf(address);
    const QString port = own.isEmpty() ? gamePort : own;
    switch (codeOf(socketText)) {
    case 10061:
        return say(QT_TRANSLATE_NOOP(
                       "Tchat",
                       "Could not join %1: the connection was refused, so no game is hosted there "
                       "on port %2. Is the host running, and is that its port?"))
            .arg(address, port);
    case 11001:
    case 11002:
    case 11003:
    case 11004:
        return say(QT_TRANSLATE_NOOP(
                       "Tchat",
                       "Could not join %1: no computer of that name was found. Check the address."))
            .arg(address);
    case 10060:
        return say(QT_TRANSLATE_NOOP(
                       "Tchat",
                       "Could not join %1: the host did not answer in time. A firewall may be in "
                       "the way."))
            .arg(address);
    case 10064:
    case 10065:
        return say(QT_TRANSLATE_NOOP("Tchat",
                                     "Could not join %1: that host cannot be reached from here."))
            .arg(address);
    case 10051:
        return say(QT_TRANSLATE_NOOP(
                       "Tchat",
                       "Could not join %1: there is no network route to it. Is this computer "
                       "connected to the network?"))
            .arg(address);
    case 10049:
        return say(QT_TRANSLATE_NOOP(
                       "Tchat",
                       "Could not join %1: that is no address this computer can connect to."))
            .arg(address);
    default:
        return say(QT_TRANSLATE_NOOP("Tchat", "Could not join %1: the connection failed (%2)."))
            .arg(address, socketText);
    }
}

} // namespace connectfailure
