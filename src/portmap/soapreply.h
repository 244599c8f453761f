// Reading a router's replies to our requests (SOAP over HTTP). miniupnpc's own request
// functions read a refusal's errorCode with atoi, so a code past the range of int can
// come out as 0, which is success; here the raw text is converted strictly instead, and
// only a reply that names the action's response counts as a yes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace portmap {

struct SoapVerdict {
    enum Kind {
        Confirmed, // the reply is the action's response and carries no error
        Refused,   // a fault, or a reply that is neither a response nor readable
        NoAnswer,  // no reply at all (miniupnpc gave no body)
    } kind = NoAnswer;
    int code = 0; // the router's error when refused; kUnreadableCode when it has none we trust
};

// The verdict on the reply `body` (`size` bytes, may be null) to `action` (for example
// "AddPortMapping").
SoapVerdict readSoapReply(const char* body, int size, std::string_view action);

// The value of the element `name` in the reply, when the reply has one that is not empty.
std::optional<std::string> soapValue(const char* body, int size, const char* name);

// A UPnP error code as routers write it: 1..4 digits, above 0; nothing else.
std::optional<int> strictErrorCode(std::string_view text);

} // namespace portmap
