// Text on the wire: UTF-8 out; in, UTF-8 when valid, else Latin-1.
// Names and chat lines are single lines: control characters never travel.
#pragma once

#include "text/utf8text.h"

namespace wire {

// The byte that ends every message. UTF-8 never produces it.
inline constexpr char kTerminator = '\xFF';

// The wire's text is the shared text codec.
using text::decode;
using text::encode;
using text::singleLine;

} // namespace wire
