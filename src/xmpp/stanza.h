// Conversion between libstrophe's stanzas and the lobby's plain elements. Internal to
// vimbrel_xmpp: nothing outside this folder sees a libstrophe type.
#pragma once

#include "lobbyproto/element.h"

#include <strophe.h>

namespace xmpp::detail {

// A new stanza owned by the caller (release it with xmpp_stanza_release).
xmpp_stanza_t* toStanza(xmpp_ctx_t* ctx, const lobby::Element& e, const QString& parentNs = {});
// The element and its children; `parentNs` is the namespace it inherits.
lobby::Element fromStanza(xmpp_stanza_t* s, const QString& parentNs = {});
// The error condition of an iq/message/presence of type error ("conflict", …), or empty.
QString errorCondition(const lobby::Element& stanza);
// The human text of an error, or the condition when the server sent none.
QString errorText(const lobby::Element& stanza);

} // namespace xmpp::detail
