#include "tools/ostrel/money.h"

namespace {

bool all_digits(const std::string& text) { return text.find_first_not_of("0123456789") == std::string::npos; }

std::string with_separators(const std::string& whole) {
    std::string out;
    out.reserve(whole.size() + whole.size() / 3);
    for (size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0) out += ',';
        out += whole[i];
    }
    return out;
}

}  // namespace

bool decimal_parse(const std::string& text, DecimalText& out) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return false;
    std::string body = text.substr(first, text.find_last_not_of(' ') - first + 1);
    out.negative = body[0] == '-';
    if (body[0] == '-' || body[0] == '+') body.erase(0, 1);
    const size_t point = body.find('.');
    std::string whole = body.substr(0, point);
    out.fraction = point == std::string::npos ? "" : body.substr(point + 1);
    if (!all_digits(whole) || !all_digits(out.fraction) || (whole.empty() && out.fraction.empty())) return false;
    whole.erase(0, whole.find_first_not_of('0'));
    out.whole = whole.empty() ? "0" : whole;
    return true;
}

std::string money_format(const std::string& amount, const std::string& currency) {
    DecimalText decimal;
    if (!decimal_parse(amount, decimal)) return amount;
    std::string fraction = decimal.fraction;
    if (fraction.size() < 2) fraction.append(2 - fraction.size(), '0');
    std::string out = (decimal.negative ? "-" : "") + with_separators(decimal.whole) + "." + fraction;
    return currency.empty() ? out : out + " " + currency;
}
