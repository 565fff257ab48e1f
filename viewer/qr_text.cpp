#include "viewer/qr_text.h"

#include <algorithm>

namespace {

constexpr const char* kVerificationAddress = "https://verificacfdi.facturaelectronica.sat.gob.mx/default.aspx";
constexpr const char* kRetencionesAddress = "https://prodretencionverificacion.clouda.sat.gob.mx/";
constexpr size_t kForeignIdWidth = 20;
constexpr size_t kSealTail = 8;

std::string text_of(const StrBuf* value) { return std::string(value->text, static_cast<size_t>(value->length)); }

bool is_blank_quote_or_control(unsigned char c) { return c == '"' || c <= ' ' || c == 0x7F; }

template <typename Test>
bool every_byte(const StrBuf* value, Test test) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(value->text);
    return std::all_of(bytes, bytes + value->length, test);
}

// Values that reach the QR tool's command line must not be able to add
// arguments or point elsewhere.
bool is_safe(const StrBuf* value) {
    const auto plain = [](unsigned char c) { return !is_blank_quote_or_control(c) && c != '/' && c != '\\'; };
    return value && every_byte(value, plain);
}

bool is_stamp_uuid(const StrBuf* uuid) {
    const auto hex_or_hyphen = [](unsigned char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == '-';
    };
    return uuid && uuid->length == 36 && every_byte(uuid, hex_or_hyphen);
}

// The SAT's pattern for a total: [0-9]{1,whole_digits}(\.[0-9]{1,6})?
bool is_sat_total(const std::string& total, size_t whole_digits = 18) {
    const size_t point = total.find('.');
    const std::string whole = total.substr(0, point);
    const std::string fraction = point == std::string::npos ? "" : total.substr(point + 1);
    const auto digits = [](const std::string& s, size_t most) {
        return !s.empty() && s.size() <= most && s.find_first_not_of("0123456789") == std::string::npos;
    };
    return digits(whole, whole_digits) && (point == std::string::npos || digits(fraction, 6));
}

// A seal is base64, which signers may wrap: its blanks and line breaks are not part of it.
std::string seal_without_breaks(const StrBuf* seal) {
    std::string out;
    if (!seal) return out;
    for (const char c : text_of(seal)) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') out += c;
    }
    return out;
}

// The part of a seal a QR text carries: its last eight characters, or all of a shorter one.
std::string seal_tail(const std::string& seal) { return seal.substr(seal.size() - std::min(seal.size(), kSealTail)); }

// Its "+", "/" and "=" are allowed, nothing that splits a command line.
bool is_safe_seal(const std::string& seal) {
    return std::none_of(seal.begin(), seal.end(), [](char c) { return is_blank_quote_or_control(static_cast<unsigned char>(c)); });
}

std::string with_escaped_ampersands(const std::string& rfc) {
    std::string out;
    for (const char c : rfc) out += c == '&' ? std::string("&amp;") : std::string(1, c);
    return out;
}

// Retenciones write their parties' ids as XML text.
std::string xml_escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

// "rr=" and the receiver's RFC, or "nr=" and a foreign receiver's tax id (padded
// to 20 with zeros when asked); empty when neither passes its check.
std::string receiver_field(const QrValues& v, bool pad_foreign) {
    if (v.receiver) return is_safe(v.receiver) ? "rr=" + xml_escaped(text_of(v.receiver)) : "";
    if (!is_safe(v.foreign_receiver)) return "";  // an absent one is not safe either
    std::string id = text_of(v.foreign_receiver);
    if (pad_foreign) id.insert(0, kForeignIdWidth - std::min(id.size(), kForeignIdWidth), '0');
    return "nr=" + xml_escaped(id);
}

// A total of at most ten whole digits as 17 characters: "0000001234.500000".
std::string padded_total(const std::string& total) {
    const size_t point = total.find('.');
    const std::string whole = total.substr(0, point);
    std::string fraction = point == std::string::npos ? "" : total.substr(point + 1);
    fraction.append(6 - fraction.size(), '0');
    return std::string(10 - whole.size(), '0') + whole + "." + fraction;
}

std::string retenciones10_text(const QrValues& v) {
    const std::string receiver = receiver_field(v, false);
    if (!is_stamp_uuid(v.uuid) || !is_safe(v.issuer) || receiver.empty() || !v.total ||
        !is_sat_total(text_of(v.total), 10)) {
        return "";
    }
    return "?re=" + xml_escaped(text_of(v.issuer)) + "&" + receiver + "&tt=" + padded_total(text_of(v.total)) +
           "&id=" + text_of(v.uuid);
}

std::string retenciones20_text(const QrValues& v) {
    const std::string receiver = receiver_field(v, true);
    const std::string seal = seal_without_breaks(v.seal);
    if (!is_stamp_uuid(v.uuid) || !is_safe(v.issuer) || receiver.empty() || !v.total ||
        !is_sat_total(text_of(v.total)) || !is_safe_seal(seal)) {
        return "";
    }
    return std::string(kRetencionesAddress) + "?id=" + text_of(v.uuid) + "&re=" + xml_escaped(text_of(v.issuer)) +
           "&" + receiver + "&tt=" + verification_total(text_of(v.total)) + "&fe=" + seal_tail(seal);
}

std::string cfdi3_text(const QrValues& v) {
    if (!is_stamp_uuid(v.uuid) || !is_safe(v.issuer) || !is_safe(v.receiver) || !is_safe(v.total)) return "";
    return "?re=" + text_of(v.issuer) + "&rr=" + text_of(v.receiver) + "&tt=" + text_of(v.total) +
           "&id=" + text_of(v.uuid);
}

std::string verification_text(const QrValues& v) {
    const std::string seal = seal_without_breaks(v.seal);
    if (!is_stamp_uuid(v.uuid) || !is_safe(v.issuer) || !is_safe(v.receiver) || !v.total ||
        !is_sat_total(text_of(v.total)) || !is_safe_seal(seal)) {
        return "";
    }
    return std::string(kVerificationAddress) + "?id=" + text_of(v.uuid) +
           "&re=" + with_escaped_ampersands(text_of(v.issuer)) + "&rr=" + with_escaped_ampersands(text_of(v.receiver)) +
           "&tt=" + verification_total(text_of(v.total)) + "&fe=" + seal_tail(seal);
}

}  // namespace

std::string verification_total(const std::string& total) {
    const size_t point = total.find('.');
    std::string whole = total.substr(0, point);
    std::string fraction = point == std::string::npos ? "" : total.substr(point + 1);
    whole.erase(0, whole.find_first_not_of('0'));
    if (whole.empty()) whole = "0";
    fraction.erase(fraction.find_last_not_of('0') + 1);
    if (fraction.empty()) fraction = "0";
    return whole + "." + fraction;
}

std::string qr_text(QrText style, const QrValues& values) {
    switch (style) {
    case QrText::Cfdi3:
        return cfdi3_text(values);
    case QrText::Verification:
        return verification_text(values);
    case QrText::Retenciones10:
        return retenciones10_text(values);
    case QrText::Retenciones20:
        return retenciones20_text(values);
    case QrText::None:
        break;
    }
    return "";
}
