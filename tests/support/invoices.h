#pragma once
// Texts the tests build: invoices, and the plain definition of token decoding.
#include <string>

// The stamp the invoice builders use unless told otherwise.
inline constexpr const char* kStampUuid = "80824F3B-323E-407B-8F8E-40D83FE2E69F";

// A CFDI 3.2 invoice of issuer `rfc`, stamped with `uuid`, with `inner` inside its
// Comprobante; without an XML declaration, so that a test may put a DOCTYPE first.
std::string cfdi32(const std::string& inner, const std::string& uuid = kStampUuid,
                   const std::string& rfc = "AAA010101AAA");

// Each escape token's pair replaced throughout, one pair after the other in
// table order, then the leading blanks trimmed: what one-pass decoding must equal.
std::string decoded_pair_by_pair(const std::string& text);
