#pragma once
// An amount in Spanish words, as printed invoices carry it:
// "MIL CIENTO SESENTA PESOS 00/100 M.N.".
#include <cstdint>
#include <string>

#include "tools/ostrel/catalogs.h"

// The words of a whole number below 10^18, with "UN" before a noun ("VEINTIÚN", "CIENTO UN"); UTF-8 capitals.
std::string number_in_words(uint64_t number);
// The amount's whole part in words, the currency's name (catalog "c_MonedaLetra":
// "SINGULAR|PLURAL|SUFFIX"; an unlisted currency gives its code alone) and the
// cents as "NN/100": the first two decimals, truncated, never rounded. Empty when
// the amount is not a decimal or its whole part is too long to read out.
std::string amount_in_words(const std::string& amount, const std::string& currency, const Catalogs& catalogs);
