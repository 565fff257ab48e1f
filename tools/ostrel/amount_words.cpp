#include "tools/ostrel/amount_words.h"

#include "tools/ostrel/money.h"

namespace {

constexpr uint64_t kThousand = 1000;
constexpr uint64_t kMillion = 1000000;
constexpr uint64_t kBillion = kMillion * kMillion;  // the Spanish billón, 10^12

const char* const kUnits[30] = {
    "CERO", "UN", "DOS", "TRES", "CUATRO", "CINCO", "SEIS", "SIETE", "OCHO", "NUEVE",
    "DIEZ", "ONCE", "DOCE", "TRECE", "CATORCE", "QUINCE", "DIECISÉIS", "DIECISIETE", "DIECIOCHO", "DIECINUEVE",
    "VEINTE", "VEINTIÚN", "VEINTIDÓS", "VEINTITRÉS", "VEINTICUATRO", "VEINTICINCO", "VEINTISÉIS", "VEINTISIETE",
    "VEINTIOCHO", "VEINTINUEVE"};
const char* const kTens[10] = {"", "", "", "TREINTA", "CUARENTA", "CINCUENTA", "SESENTA", "SETENTA", "OCHENTA",
                               "NOVENTA"};
const char* const kHundreds[10] = {"", "CIENTO", "DOSCIENTOS", "TRESCIENTOS", "CUATROCIENTOS", "QUINIENTOS",
                                   "SEISCIENTOS", "SETECIENTOS", "OCHOCIENTOS", "NOVECIENTOS"};

void append(std::string& out, const std::string& words) {
    if (words.empty()) return;
    if (!out.empty()) out += ' ';
    out += words;
}

// 1..999
std::string below_thousand(uint64_t n) {
    std::string out;
    if (n == 100) return "CIEN";
    append(out, kHundreds[n / 100]);
    const uint64_t rest = n % 100;
    if (rest == 0) return out;
    if (rest < 30) {
        append(out, kUnits[rest]);
    } else {
        append(out, kTens[rest / 10]);
        if (rest % 10) append(out, std::string("Y ") + kUnits[rest % 10]);
    }
    return out;
}

// 1..999,999
std::string below_million(uint64_t n) {
    std::string out;
    const uint64_t thousands = n / kThousand;
    if (thousands == 1) append(out, "MIL");
    if (thousands > 1) append(out, below_thousand(thousands) + " MIL");
    if (n % kThousand) append(out, below_thousand(n % kThousand));
    return out;
}

// A group of millions or billions: "UN MILLÓN", "DOS MILLONES".
std::string scaled(uint64_t count, const char* one, const char* many) {
    if (count == 0) return "";
    return count == 1 ? std::string("UN ") + one : below_million(count) + " " + many;
}

struct CurrencyWords {
    std::string singular, plural, suffix;
};

CurrencyWords currency_words(const std::string& currency, const Catalogs& catalogs) {
    std::string code;
    for (const char c : currency) code += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    if (code.empty()) code = "MXN";
    const std::string* names = catalog_find(catalogs, "c_MonedaLetra", code);
    if (!names) return {"", "", currency};
    const size_t first = names->find('|');
    const size_t second = first == std::string::npos ? first : names->find('|', first + 1);
    if (second == std::string::npos) return {*names, *names, currency};
    return {names->substr(0, first), names->substr(first + 1, second - first - 1), names->substr(second + 1)};
}

}  // namespace

std::string number_in_words(uint64_t number) {
    if (number == 0) return "CERO";
    std::string out;
    append(out, scaled(number / kBillion, "BILLÓN", "BILLONES"));
    append(out, scaled(number / kMillion % kMillion, "MILLÓN", "MILLONES"));
    if (number % kMillion) append(out, below_million(number % kMillion));
    return out;
}

std::string amount_in_words(const std::string& amount, const std::string& currency, const Catalogs& catalogs) {
    DecimalText decimal;
    if (!decimal_parse(amount, decimal) || decimal.whole.size() > 18) return "";
    const uint64_t whole = std::stoull(decimal.whole);
    std::string cents = decimal.fraction.substr(0, 2);
    cents.append(2 - cents.size(), '0');
    const CurrencyWords words = currency_words(currency, catalogs);
    std::string out = decimal.negative ? "MENOS " : "";
    out += number_in_words(whole);
    const std::string& name = whole == 1 ? words.singular : words.plural;
    // "UN MILLÓN DE PESOS": a round million takes "DE" before the currency.
    if (!name.empty() && whole % kMillion == 0 && whole > 0) out += " DE";
    append(out, name);
    append(out, cents + "/100");
    append(out, words.suffix);
    return out;
}
