#include "viewer/qr_text.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <tuple>

TEST(VerificationTotal, DropsNonSignificantZerosAndKeepsOneDecimal) {
    const std::pair<const char*, const char*> totals[] = {
        {"1160.00", "1160.0"}, {"398.390000", "398.39"}, {"0", "0.0"},         {"0001234.50", "1234.5"},
        {"0.000001", "0.000001"}, {"000", "0.0"},       {"10", "10.0"},       {"100.10", "100.1"},
    };
    for (const auto& [total, written] : totals) EXPECT_EQ(verification_total(total), written) << total;
}

TEST(QrText, OnlyAStampUuidOfHexDigitsAndHyphensGetsACode) {
    const std::pair<const char*, bool> uuids[] = {
        {"80824F3B-323E-407B-8F8E-40D83FE2E69F", true}, {"abcdefab-cdef-ABCD-EFab-cdefABCDEF09", true},
        {"80824F3B-323E-407B-8F8E-40D83FE2E69G", false}, {"80824F3B-323E-407B-8F8E-40D83FE2E69", false},
        {"80824F3B 323E-407B-8F8E-40D83FE2E69F", false}};
    StrBufPtr issuer(strbuf_from_text("AAA010101AAA"));
    StrBufPtr receiver(strbuf_from_text("XAXX010101000"));
    StrBufPtr total(strbuf_from_text("1.00"));
    for (const auto& [text, stamp] : uuids) {
        StrBufPtr uuid(strbuf_from_text(text));
        const QrValues values{issuer.get(), receiver.get(), total.get(), uuid.get(), nullptr};
        EXPECT_EQ(!qr_text(QrText::Cfdi3, values).empty(), stamp) << text;
        EXPECT_EQ(!qr_text(QrText::Verification, values).empty(), stamp) << text;
    }
}

TEST(QrText, EveryKindIsDrawnOnlyWithEachValueItNeeds) {
    StrBufPtr issuer(strbuf_from_text("AAA010101AAA"));
    StrBufPtr receiver(strbuf_from_text("XAXX010101000"));
    StrBufPtr total(strbuf_from_text("1.00"));
    StrBufPtr uuid(strbuf_from_text("80824F3B-323E-407B-8F8E-40D83FE2E69F"));
    StrBufPtr seal(strbuf_from_text("c2VsbG8gZGVsIHNhdA=="));
    const QrValues whole{issuer.get(), receiver.get(), total.get(), uuid.get(), seal.get()};
    using Field = const StrBuf* QrValues::*;
    // The seal is not among them: without one the verification address ends in an empty "fe=".
    const Field needed[] = {&QrValues::issuer, &QrValues::receiver, &QrValues::total, &QrValues::uuid};
    for (const QrText kind : {QrText::Cfdi3, QrText::Retenciones10, QrText::Verification, QrText::Retenciones20}) {
        EXPECT_FALSE(qr_text(kind, whole).empty()) << static_cast<int>(kind);
        for (size_t i = 0; i < std::size(needed); ++i) {
            QrValues missing = whole;
            missing.*needed[i] = nullptr;
            EXPECT_EQ(qr_text(kind, missing), "") << static_cast<int>(kind) << ", value " << i;
        }
    }
}

namespace {

struct QrInput {
    std::string issuer = "AAA010101AAA";
    std::string total = "1.00";
    std::string uuid = "80824F3B-323E-407B-8F8E-40D83FE2E69F";
    std::string seal = "c2VsbG8gZGVsIHNhdA==";
    const char* foreign = nullptr;  // stands instead of the receiver's RFC
};

std::string qr_of(QrText kind, const QrInput& in) {
    StrBufPtr issuer(strbuf_from_text(in.issuer.c_str()));
    StrBufPtr receiver(in.foreign ? nullptr : strbuf_from_text("XAXX010101000"));
    StrBufPtr foreign(in.foreign ? strbuf_from_text(in.foreign) : nullptr);
    StrBufPtr total(strbuf_from_text(in.total.c_str()));
    StrBufPtr uuid(strbuf_from_text(in.uuid.c_str()));
    StrBufPtr seal(strbuf_from_text(in.seal.c_str()));
    return qr_text(kind, {issuer.get(), receiver.get(), total.get(), uuid.get(), seal.get(), foreign.get()});
}

std::string tail_after(const std::string& text, const std::string& marker) {
    const size_t at = text.find(marker);
    return at == std::string::npos ? "(none)" : text.substr(at + marker.size());
}

}  // namespace

TEST(QrText, AValueThatCouldSplitACommandLineOrPointElsewhereGetsNoCode) {
    for (const char* issuer : {"A\"B", "A B", "A\x1f" "B", "A\x7f" "B", "A/B", "A\\B", "A\tB"}) {
        QrInput in;
        in.issuer = issuer;
        EXPECT_EQ(qr_of(QrText::Verification, in), "") << issuer;
        EXPECT_EQ(qr_of(QrText::Cfdi3, in), "") << issuer;
    }
    QrInput edges;
    edges.issuer = "A!~&B";
    EXPECT_NE(qr_of(QrText::Verification, edges).find("&re=A!~&amp;B&"), std::string::npos);
    for (const char last : std::string("/:`g@G")) {
        QrInput in;
        in.uuid.back() = last;
        EXPECT_EQ(qr_of(QrText::Verification, in), "") << "a stamp UUID ending in " << last;
    }
}

TEST(QrText, OnlyATotalOfTheSatsPatternIsWritten) {
    const std::tuple<QrText, const char*, bool> totals[] = {
        {QrText::Verification, "123456789012345678", true}, {QrText::Verification, "1234567890123456789", false},
        {QrText::Verification, "1.123456", true},           {QrText::Verification, "1.1234567", false},
        {QrText::Verification, "1.", false},                {QrText::Verification, ".5", false},
        {QrText::Verification, "1.2.3", false},             {QrText::Verification, "-1", false},
        {QrText::Retenciones10, "1234567890.5", true},      {QrText::Retenciones10, "12345678901", false},
        {QrText::Retenciones20, "123456789012345678", true}, {QrText::Retenciones20, "1e3", false},
    };
    for (const auto& [kind, total, written] : totals) {
        QrInput in;
        in.total = total;
        EXPECT_EQ(!qr_of(kind, in).empty(), written) << total;
    }
    QrInput in;
    in.total = "1234567890.5";
    EXPECT_EQ(tail_after(qr_of(QrText::Retenciones10, in), "&tt="), "1234567890.500000&id=" + in.uuid);
    in.total = "7";
    EXPECT_EQ(tail_after(qr_of(QrText::Retenciones10, in), "&tt="), "0000000007.000000&id=" + in.uuid);
}

TEST(QrText, TheSealGivesItsLastEightCharactersAndAForeignIdIsPaddedToTwenty) {
    const std::pair<const char*, const char*> seals[] = {
        {"abc", "abc"}, {"12345678", "12345678"}, {"x12345678", "12345678"}, {"ab\r\ncd ef\tgh\nij", "cdefghij"}};
    for (const auto& [seal, tail] : seals) {
        QrInput in;
        in.seal = seal;
        EXPECT_EQ(tail_after(qr_of(QrText::Verification, in), "&fe="), tail) << seal;
        EXPECT_EQ(tail_after(qr_of(QrText::Retenciones20, in), "&fe="), tail) << seal;
    }
    QrInput foreign;
    foreign.foreign = "ID<1>";
    EXPECT_NE(qr_of(QrText::Retenciones20, foreign).find("&nr=000000000000000ID&lt;1&gt;&tt="), std::string::npos);
    EXPECT_NE(qr_of(QrText::Retenciones10, foreign).find("&nr=ID&lt;1&gt;&tt="), std::string::npos);
    foreign.foreign = "123456789012345678901";
    EXPECT_NE(qr_of(QrText::Retenciones20, foreign).find("&nr=123456789012345678901&"), std::string::npos);
    foreign.foreign = "a b";
    EXPECT_EQ(qr_of(QrText::Retenciones20, foreign), "");
}
