#include "portmap/soapreply.h"

#include "portmap/helperreport.h"

#include <miniupnpc/upnpreplyparse.h>

#include <cstring>

namespace portmap {

namespace {

// The reply's elements as miniupnpc's parser lists them (leaf elements, name without
// its namespace prefix); freed with the object.
class Elements {
public:
    Elements(const char* body, int size) {
        if (body && size > 0) ParseNameValue(body, size, &m_data);
    }
    ~Elements() { ClearNameValueList(&m_data); }
    Elements(const Elements&) = delete;
    Elements& operator=(const Elements&) = delete;
    const char* value(const char* name) { return GetValueFromNameValueList(&m_data, name); }

private:
    NameValueParserData m_data{};
};

} // namespace

std::optional<int> strictErrorCode(std::string_view text) {
    if (text.empty() || text.size() > 4) return std::nullopt;
    const std::optional<int> code = strictNumber(text);
    if (!code || *code <= 0 || text.front() == '-') return std::nullopt;
    return code;
}

SoapVerdict readSoapReply(const char* body, int size, std::string_view action) {
    if (!body || size < 0) return {SoapVerdict::NoAnswer, 0};
    Elements elements(body, size);
    if (const char* code = elements.value("errorCode")) {
        const std::optional<int> strict = strictErrorCode(code);
        return {SoapVerdict::Refused, strict ? *strict : kUnreadableCode};
    }
    // A fault without a code, an empty body or an error page is no yes either.
    const std::string response = std::string(action) + "Response";
    if (elements.value("faultcode") || elements.value("Fault") || !elements.value(response.c_str()))
        return {SoapVerdict::Refused, kUnreadableCode};
    return {SoapVerdict::Confirmed, 0};
}

std::optional<std::string> soapValue(const char* body, int size, const char* name) {
    Elements elements(body, size);
    const char* value = elements.value(name);
    if (!value || !*value) return std::nullopt;
    return std::string(value);
}

} // namespace portmap
