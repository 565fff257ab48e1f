#include "viewer/qr_text.h"

#include <gtest/gtest.h>

#include <iterator>

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
