// Error codes and names of the info-7 texts. The texts use the Windows Sockets
// numbering whatever the platform, so peers and players see the same numbers.
#include "net/Sock.h"

#include <QCoreApplication>

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<int, const char*>, 51> kErrorNames{{
    {10004, "WSAEINTR"},           {10009, "WSAEBADF"},        {10013, "WSAEACCES"},
    {10014, "WSAEFAULT"},          {10022, "WSAEINVAL"},       {10024, "WSAEMFILE"},
    {10035, "WSAEWOULDBLOCK"},     {10036, "WSAEINPROGRESS"},  {10037, "WSAEALREADY"},
    {10038, "WSAENOTSOCK"},        {10039, "WSAEDESTADDRREQ"}, {10040, "WSAEMSGSIZE"},
    {10041, "WSAEPROTOTYPE"},      {10042, "WSAENOPROTOOPT"},  {10043, "WSAEPROTONOSUPPORT"},
    {10044, "WSAESOCKTNOSUPPORT"}, {10045, "WSAEOPNOTSUPP"},   {10046, "WSAEPFNOSUPPORT"},
    {10047, "WSAEAFNOSUPPORT"},    {10048, "WSAEADDRINUSE"},   {10049, "WSAEADDRNOTAVAIL"},
    {10050, "WSAENETDOWN"},        {10051, "WSAENETUNREACH"},  {10052, "WSAENETRESET"},
    {10053, "WSAECONNABORTED"},    {10054, "WSAECONNRESET"},   {10055, "WSAENOBUFS"},
    {10056, "WSAEISCONN"},         {10057, "WSAENOTCONN"},     {10058, "WSAESHUTDOWN"},
    {10059, "WSAETOOMANYREFS"},    {10060, "WSAETIMEDOUT"},    {10061, "WSAECONNREFUSED"},
    {10062, "WSAELOOP"},           {10063, "WSAENAMETOOLONG"}, {10064, "WSAEHOSTDOWN"},
    {10065, "WSAEHOSTUNREACH"},    {10066, "WSAENOTEMPTY"},    {10067, "WSAEPROCLIM"},
    {10068, "WSAEUSERS"},          {10069, "WSAEDQUOT"},       {10070, "WSAESTALE"},
    {10071, "WSAEREMOTE"},         {10091, "WSASYSNOTREADY"},  {10092, "WSAVERNOTSUPPORTED"},
    {10093, "WSANOTINITIALISED"},  {10101, "WSAEDISCON"},      {11001, "WSAHOST_NOT_FOUND"},
    {11002, "WSATRY_AGAIN"},       {11003, "WSANO_RECOVERY"},  {11004, "WSANO_DATA"},
}};

// Qt's socket engine words these errors so; with Qt's own translations loaded the
// detail arrives in the player's language, so both wordings are recognised.
bool engineSays(const QString& detail, const char* wording) {
    return detail.contains(QCoreApplication::translate("QNativeSocketEngine", wording),
                           Qt::CaseInsensitive);
}

// Qt folds several platform errors into NetworkError and keeps the difference only
// in its error string.
int networkErrorCode(const QString& detail) {
    if (engineSays(detail, "Host unreachable")) return 10065;
    if (engineSays(detail, "Network unreachable")) return 10051;
    if (engineSays(detail, "Connection timed out")) return 10060;
    if (engineSays(detail, "The bound address is already in use")) return 10048;
    if (detail.contains(QLatin1String("Host unreachable"), Qt::CaseInsensitive)) return 10065;
    if (detail.contains(QLatin1String("Network unreachable"), Qt::CaseInsensitive)) return 10051;
    if (detail.contains(QLatin1String("timed out"), Qt::CaseInsensitive)) return 10060;
    if (detail.contains(QLatin1String("reset"), Qt::CaseInsensitive)) return 10054;
    if (detail.contains(QLatin1String("in use"), Qt::CaseInsensitive)) return 10048;
    if (detail.contains(QLatin1String("refused"), Qt::CaseInsensitive)) return 10061;
    return 10053;
}

} // namespace

QString sockErrorName(int code) {
    for (const auto& [number, name] : kErrorNames) {
        if (number == code) return QString::fromLatin1(name);
    }
    return QStringLiteral("UNKNOWN ERROR");
}

QString sockErrorText(int code) {
    return QStringLiteral("Error #%1 (%2)").arg(code).arg(sockErrorName(code));
}

int sockErrorCode(QAbstractSocket::SocketError error, const QString& detail) {
    using E = QAbstractSocket::SocketError;
    switch (error) {
    case E::ConnectionRefusedError:
        return 10061;
    case E::RemoteHostClosedError:
        return 10054;
    case E::HostNotFoundError:
        return 11001;
    case E::SocketAccessError:
        return 10013;
    case E::SocketResourceError:
        return 10055;
    case E::SocketTimeoutError:
        return 10060;
    case E::DatagramTooLargeError:
        return 10040;
    case E::AddressInUseError:
        return 10048;
    case E::SocketAddressNotAvailableError:
        return 10049;
    case E::UnsupportedSocketOperationError:
        return 10045;
    case E::UnfinishedSocketOperationError:
        return 10036;
    case E::TemporaryError:
        return 10035;
    case E::NetworkError:
        return networkErrorCode(detail);
    default:
        return 10053;
    }
}
