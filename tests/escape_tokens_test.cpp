#include "document/escape_tokens.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "support/failing_memory.h"
#include "support/invoices.h"

namespace {

// The text lies in a block of its own exact size, so that the sanitizers see a read past its end.
std::string decode(const std::string& text) {
    ByteBufPtr buf(bytebuf_new());
    bytebuf_reserve(buf.get(), std::max<int64_t>(1, static_cast<int64_t>(text.size())));
    bytebuf_append(buf.get(), text.data(), static_cast<int64_t>(text.size()));
    StrBufPtr result(decode_escape_tokens(buf.get()));
    return std::string(result->text, static_cast<size_t>(result->length));
}

}  // namespace

TEST(DecodeEscapeTokens, EveryTokenBecomesItsLatin1Byte) {
    EXPECT_EQ(decode("$tIL$$men$$may$$a$$e$$i$$o$$u$$A$$E$$I$$O$$U$$n$$N$$cs$$arr$$amp$$cd$"),
              "~<>\xe1\xe9\xed\xf3\xfa\xc1\xc9\xcd\xd3\xda\xf1\xd1'@&\"");
}

TEST(DecodeEscapeTokens, TableOrderDecidesWhoGetsASharedDollar) {
    EXPECT_EQ(decode("$a$e$"), "\xe1" "e$");
    EXPECT_EQ(decode("$e$a$"), "$e\xe1");
}

TEST(DecodeEscapeTokens, TokensAreCaseSensitive) {
    EXPECT_EQ(decode("$AMP$ $til$ $Amp$"), "$AMP$ $til$ $Amp$");
    EXPECT_EQ(decode("$N$$n$"), "\xd1\xf1");
}

TEST(DecodeEscapeTokens, FrontBlanksAreTrimmedButALoneCrIsKept) {
    EXPECT_EQ(decode("\r\n\t  x $amp$ "), "x & ");
    EXPECT_EQ(decode("\rx"), "\rx");
    EXPECT_EQ(decode(" \n $n$"), "\xf1");
    EXPECT_EQ(decode(" \n\t"), "") << "a text of blanks only, read no further than its end";
    EXPECT_EQ(decode(" \r"), "\r");
    EXPECT_EQ(decode(""), "");
    EXPECT_EQ(decode(std::string(100000, ' ') + "z"), "z");
}

TEST(TrimLeadingBlanks, DropsBlanksAndLineEndsBeforeTheTextOnly) {
    trim_leading_blanks(nullptr);  // nothing to do, and no crash
    StrBufPtr blockless(strbuf_new_empty());
    trim_leading_blanks(blockless.get());
    EXPECT_EQ(blockless->text, nullptr);
    const std::pair<std::string, std::string> texts[] = {
        {"", ""}, {" \t\n\r\nabc  ", "abc  "}, {"\rabc", "\rabc"}, {" \n ", ""}, {"a b", "a b"}};
    for (const auto& [text, trimmed] : texts) {
        StrBufPtr buf(strbuf_from_text(text.c_str()));
        trim_leading_blanks(buf.get());
        EXPECT_EQ(std::string(buf->text, static_cast<size_t>(buf->length)), trimmed) << text;
        EXPECT_EQ(buf->text[buf->length], '\0');
    }
}

TEST(DecodeEscapeTokens, ChainsOfTokensSharingDollarsDecodeAsPairByPairReplacementWould) {
    // Every text of up to seven bytes over an alphabet that forms overlapping tokens.
    const std::string alphabet = "$aen ";
    std::string text;
    int checked = 0;
    auto visit = [&](auto&& self, size_t length) -> void {
        ASSERT_EQ(decode(text), decoded_pair_by_pair(text)) << '"' << text << '"';
        ++checked;
        if (length == 7) return;
        for (const char c : alphabet) {
            text.push_back(c);
            self(self, length + 1);
            text.pop_back();
            if (HasFatalFailure()) return;
        }
    };
    visit(visit, 0);
    EXPECT_EQ(checked, 97656);
}

TEST(DecodeEscapeTokens, LongMixedTextsDecodeAsPairByPairReplacementWould) {
    // Longer tokens, NULs (after which nothing is decoded) and front blanks, at random.
    const std::string pieces[] = {"$", "$a", "$amp", "$arr", "$cs", "$cd", "$tIL", "$men", "$may", "$n", "$N",
                                  "$e", "a", "m", "p", " ", "\r\n", "\r", "\t", std::string(1, '\0'), "x"};
    std::mt19937 random(20261208);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int count = static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i) text += pieces[random() % std::size(pieces)];
        ASSERT_EQ(decode(text), decoded_pair_by_pair(text)) << "round " << round;
    }
}

TEST(DecodeEscapeTokens, ALongChainOfOneTokenDecodesEveryOtherLink) {
    std::string chain = "$";
    for (int i = 0; i < 100000; ++i) chain += "a$";
    std::string expected;
    for (int i = 0; i < 50000; ++i) expected += "\xe1" "a";
    EXPECT_EQ(decode(chain), expected + "$");
}

TEST(DecodeEscapeTokens, ARefusedBlockGivesNoTextAndNoBufferGivesNone) {
    EXPECT_EQ(decode_escape_tokens(nullptr), nullptr);
    refuse_each_block([] {
        ByteBufPtr buf(bytebuf_new());
        if (!buf || bytebuf_reserve(buf.get(), 8) != 8) return false;
        bytebuf_append(buf.get(), "$amp$x", 6);
        StrBufPtr result(decode_escape_tokens(buf.get()));
        return result && std::string(result->text) == "&x";
    });
}
