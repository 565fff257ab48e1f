#pragma once
// Escape tokens of an unversioned embedded document ("$amp$", "$n$", ...) turned
// back into their characters, then blanks trimmed from the front.
#include "util/bytebuf.h"
#include "util/strbuf.h"

StrBuf* decode_escape_tokens(const ByteBuf* buf);
void trim_leading_blanks(StrBuf* buf);
