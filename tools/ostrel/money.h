#pragma once
// Amounts as the invoice writes them ("1234.5", "0001160.000000"), shown with
// thousands separators and never rounded.
#include <string>

struct DecimalText {
    bool negative = false;
    std::string whole;     // digits, no leading zeros, "0" for none
    std::string fraction;  // digits as written, possibly empty
};

// False when the text is not a plain decimal: [+-]digits[.digits], blanks around.
bool decimal_parse(const std::string& text, DecimalText& out);
// "1,234.50": the invoice's own decimals, at least two (zeros added, none taken
// away); with a currency, its code after the number ("1,234.50 MXN"). Text that
// is not a decimal comes back as it is.
std::string money_format(const std::string& amount, const std::string& currency = "");
