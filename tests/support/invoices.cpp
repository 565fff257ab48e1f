#include "support/invoices.h"

#include "document/escape_tokens.h"
#include "util/strbuf.h"

std::string cfdi32(const std::string& inner, const std::string& uuid, const std::string& rfc) {
    return "<cfdi:Comprobante xmlns:cfdi=\"http://www.sat.gob.mx/cfd/3\" version=\"3.2\" total=\"1160.00\">"
           "<cfdi:Emisor rfc=\"" + rfc + "\"/><cfdi:Receptor rfc=\"XAXX010101000\"/>"
           "<cfdi:Complemento><tfd:TimbreFiscalDigital xmlns:tfd=\"http://www.sat.gob.mx/TimbreFiscalDigital\" "
           "UUID=\"" + uuid + "\"/></cfdi:Complemento>" + inner + "</cfdi:Comprobante>\n";
}

std::string decoded_pair_by_pair(const std::string& text) {
    static const char* const pairs[][2] = {
        {"$tIL$", "~"},  {"$men$", "<"},  {"$may$", ">"},  {"$a$", "\xe1"}, {"$e$", "\xe9"}, {"$i$", "\xed"},
        {"$o$", "\xf3"}, {"$u$", "\xfa"}, {"$A$", "\xc1"}, {"$E$", "\xc9"}, {"$I$", "\xcd"}, {"$O$", "\xd3"},
        {"$U$", "\xda"}, {"$n$", "\xf1"}, {"$N$", "\xd1"}, {"$cs$", "'"},  {"$arr$", "@"}, {"$amp$", "&"},
        {"$cd$", "\""},
    };
    StrBuf* slot = strbuf_new_empty();
    strbuf_append_bytes(&slot, text.data(), static_cast<int64_t>(text.size()));
    StrBufPtr current(slot);
    for (const auto& pair : pairs) {
        StrBuf* next = strbuf_replace_all(current.get(), pair[0], pair[1]);
        if (!next) break;  // an empty text has nothing to replace
        current.reset(next);
    }
    trim_leading_blanks(current.get());
    return current ? std::string(strbuf_text(current.get()), static_cast<size_t>(current->length)) : "";
}
