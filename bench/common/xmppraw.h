// A bare XMPP guest on a plain loopback socket, for benchmarks that need a thousand
// of them in one process: it logs in anonymously, binds, joins the room and from then
// on only looks for a marker in what arrives, never parsing the stream.
#pragma once

#include <string>
#include <string_view>

namespace bench::xmpp {

inline std::string streamOpen(std::string_view domain) {
    return "<?xml version='1.0'?><stream:stream to='" + std::string(domain) +
           "' xmlns='jabber:client' xmlns:stream='http://etherx.jabber.org/streams' "
           "version='1.0'>";
}

inline std::string anonymousAuth() {
    return "<auth xmlns='urn:ietf:params:xml:ns:xmpp-sasl' mechanism='ANONYMOUS'/>";
}

inline std::string bind() {
    return "<iq type='set' id='bind1'><bind xmlns='urn:ietf:params:xml:ns:xmpp-bind'/></iq>";
}

// Joins `room` as `nick` with no history replayed.
inline std::string joinRoom(std::string_view room, std::string_view nick) {
    return "<presence to='" + std::string(room) + "/" + std::string(nick) +
           "'><x xmlns='http://jabber.org/protocol/muc'><history maxstanzas='0'/></x></presence>";
}

// A ping to the server, so that it sees the client alive.
inline std::string ping() {
    return "<iq type='get' id='keep'><ping xmlns='urn:xmpp:ping'/></iq>";
}

// The steps of a log-in, each ended by what the server sends last for it.
enum class Step { Features, Auth, Features2, Bound, Joining, InRoom, Failed };

// What ends `step` in the server's answer; `failed` is set when the answer refuses.
// Returns the offset just past the end, or npos while it has not all arrived.
inline std::size_t stepDone(Step step, std::string_view in, bool& failed) {
    failed = false;
    auto after = [&](std::string_view s) {
        const std::size_t at = in.find(s);
        return at == std::string_view::npos ? at : at + s.size();
    };
    switch (step) {
    case Step::Features:
    case Step::Features2:
        return after("</stream:features>");
    case Step::Auth:
        if (in.find("<failure") != std::string_view::npos) failed = true;
        return failed ? in.size() : after("<success");
    case Step::Bound:
        if (in.find("type='error'") != std::string_view::npos ||
            in.find("type=\"error\"") != std::string_view::npos)
            failed = true;
        return failed ? in.size() : after("</jid>");
    case Step::Joining: {
        // Our own presence comes back with status 110; an error presence means no entry.
        if (in.find("<presence") != std::string_view::npos &&
            (in.find("type='error'") != std::string_view::npos ||
             in.find("type=\"error\"") != std::string_view::npos)) {
            failed = true;
            return in.size();
        }
        const std::size_t a = after("code='110'");
        return a != std::string_view::npos ? a : after("code=\"110\"");
    }
    case Step::InRoom:
    case Step::Failed:
        break;
    }
    return std::string_view::npos;
}

// Whether `name` appears as an attribute value, in either quote, in `hay`.
inline bool hasValue(std::string_view hay, std::string_view name) {
    const std::string a = "'" + std::string(name) + "'";
    const std::string b = "\"" + std::string(name) + "\"";
    return hay.find(a) != std::string_view::npos || hay.find(b) != std::string_view::npos;
}

// What to keep of `hay` for the next read, so that a marker cut between two reads is
// still found: its last bytes, longer than any marker.
inline std::string tailOf(std::string_view hay) {
    constexpr std::size_t kKeep = 64;
    return std::string(hay.size() > kKeep ? hay.substr(hay.size() - kKeep) : hay);
}

} // namespace bench::xmpp
