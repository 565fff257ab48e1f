#include "document/escape_tokens.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string decode(const std::string& text) {
    ByteBufPtr buf(bytebuf_new());
    bytebuf_reserve(buf.get(), static_cast<int64_t>(text.size()) + 1);
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
    EXPECT_EQ(decode(""), "");
    EXPECT_EQ(decode(std::string(100000, ' ') + "z"), "z");
}

TEST(TrimLeadingBlanks, IgnoresAbsentAndEmptyBuffers) {
    trim_leading_blanks(nullptr);
    StrBufPtr empty(strbuf_new_empty());
    trim_leading_blanks(empty.get());
    EXPECT_EQ(empty->length, 0);
}
