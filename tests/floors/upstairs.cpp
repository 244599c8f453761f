// Built only by tst_floors_include: a floor-2 library that links the text library and
// includes the host's header from floor 3. The second include must not be found.
#include "text/utf8text.h"

#include "server/tserver.h"
