#include "util/strbuf.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "support/failing_memory.h"

namespace {

std::string text_of(const StrBuf* buf) { return std::string(buf->text, static_cast<size_t>(buf->length)); }

}  // namespace

TEST(StrBuf, AppendingEmptyTextToEmptySlotGivesCapacity128) {
    StrBuf* buf = nullptr;
    ASSERT_EQ(strbuf_append_text(&buf, ""), 1);
    EXPECT_EQ(buf->capacity, 128);
    EXPECT_EQ(buf->length, 0);
    EXPECT_STREQ(buf->text, "");
    strbuf_free(buf);
}

TEST(StrBuf, GrowsInSteps128AndKeepsRoomForTheTerminator) {
    StrBuf* buf = nullptr;
    ASSERT_EQ(strbuf_append_text(&buf, "hello"), 1);
    EXPECT_EQ(buf->capacity, 128);
    ASSERT_EQ(strbuf_append_bytes(&buf, std::string(95, 'x').data(), 95), 1);  // length 100
    ASSERT_EQ(strbuf_append_bytes(&buf, std::string(28, 'y').data(), 28), 1);  // length == capacity
    EXPECT_EQ(buf->capacity, 256);
    EXPECT_EQ(buf->length, 128);
    EXPECT_EQ(buf->text[128], '\0');
    ASSERT_EQ(strbuf_append_bytes(&buf, std::string(1000, 'z').data(), 1000), 1);
    EXPECT_EQ(buf->capacity, 1152);  // smallest multiple of 128 above 1128
    strbuf_free(buf);
}

TEST(StrBuf, NewWithCapacityAndDupCopyContentExactly) {
    StrBufPtr buf(strbuf_new(10));
    EXPECT_EQ(buf->capacity, 10);
    EXPECT_EQ(strbuf_fill(buf.get(), "abc", 3), 1);
    EXPECT_EQ(strbuf_fill(buf.get(), "", 0), 1);
    EXPECT_EQ(text_of(buf.get()), "abc");
    StrBufPtr copy(strbuf_dup(buf.get()));
    EXPECT_EQ(copy->capacity, 4);
    EXPECT_EQ(text_of(copy.get()), "abc");
    strbuf_set_text(buf.get(), "xy");
    EXPECT_EQ(text_of(buf.get()), "xy");
    EXPECT_EQ(strbuf_set_text(nullptr, "a"), 0);
    EXPECT_EQ(strbuf_set_text(buf.get(), nullptr), 0);
    // Neither grows the block: a text that does not fit with its terminator is refused whole.
    EXPECT_EQ(strbuf_set_text(buf.get(), "0123456789"), 0);
    EXPECT_EQ(strbuf_fill(buf.get(), "01234567", 8), 0);
    EXPECT_EQ(text_of(buf.get()), "xy");
    EXPECT_EQ(strbuf_set_text(buf.get(), "012345678"), 1);
    EXPECT_EQ(buf->length, 9);
}

TEST(StrBuf, AppendBytesKeepsZeroBytesAndAppendOfNullBufferDoesNothing) {
    StrBuf* buf = nullptr;
    ASSERT_EQ(strbuf_append_bytes(&buf, "a\0b", 3), 1);
    EXPECT_EQ(buf->length, 3);
    EXPECT_EQ(strbuf_append_buf(&buf, nullptr), 1);
    EXPECT_EQ(buf->length, 3);
    EXPECT_EQ(strbuf_append_bytes(&buf, "c", -1), 0);
    EXPECT_EQ(buf->length, 3);
    strbuf_free(buf);
}

TEST(StrBuf, FromRangeIncludesBothEnds) {
    const char* text = "abcdef";
    StrBufPtr one(strbuf_from_range(text + 2, text + 2));
    EXPECT_EQ(text_of(one.get()), "c");
    StrBufPtr span(strbuf_from_range(text + 1, text + 4));
    EXPECT_EQ(text_of(span.get()), "bcde");
    EXPECT_EQ(strbuf_from_range(nullptr, text), nullptr);
    EXPECT_EQ(strbuf_from_range(text + 3, text + 2), nullptr);
}

TEST(StrBuf, ReplaceAllCases) {
    struct Case {
        const char* source;
        const char* pattern;
        const char* replacement;
        const char* expected;
    } cases[] = {
        {"no match here", "$a$", "x", "no match here"},
        {"ends with $a$", "$a$", "\xe1", "ends with \xe1"},
        {"aaaa", "aa", "b", "bb"},
        {"abab", "ab", "", ""},
        {"x\\y\\z", "\\", "/", "x/y/z"},
    };
    for (const Case& c : cases) {
        StrBufPtr source(strbuf_from_text(c.source));
        StrBufPtr result(strbuf_replace_all(source.get(), c.pattern, c.replacement));
        ASSERT_TRUE(result) << c.source;
        EXPECT_EQ(text_of(result.get()), c.expected) << c.source;
        EXPECT_EQ(result->capacity, (result->length / 128 + 1) * 128) << "same record as built by appends";
    }
    StrBufPtr empty(strbuf_new_empty());
    EXPECT_EQ(strbuf_replace_all(empty.get(), "a", "b"), nullptr);
    EXPECT_EQ(strbuf_replace_all(nullptr, "a", "b"), nullptr);
    StrBufPtr blank(strbuf_new(10));  // a block, and no text in it
    EXPECT_EQ(strbuf_replace_all(blank.get(), "a", "b"), nullptr);
    StrBufPtr text(strbuf_from_text("abc"));
    for (const auto& [pattern, replacement] : {std::pair<const char*, const char*>{"", "x"}, {nullptr, "x"}, {"a", nullptr}}) {
        EXPECT_EQ(strbuf_replace_all(text.get(), pattern, replacement), nullptr) << "no pattern or no replacement";
    }
}

TEST(StrBuf, TextIsNumericAcceptsDigitsPointsAndMinusOnly) {
    EXPECT_EQ(text_is_numeric(""), 1);
    EXPECT_EQ(text_is_numeric("0123"), 1);
    EXPECT_EQ(text_is_numeric("12.5-"), 1);
    EXPECT_EQ(text_is_numeric("-.-"), 1);
    EXPECT_EQ(text_is_numeric("1e3"), 0);
    EXPECT_EQ(text_is_numeric("9"), 1);
    for (const char* outside : {"/", ":", ","}) EXPECT_EQ(text_is_numeric(outside), 0) << outside;
    EXPECT_EQ(text_is_numeric(nullptr), 0);
}

TEST(StrBuf, RemoveCharsDropsBothQuoteKinds) {
    StrBufPtr result(strbuf_remove_chars("'cfdi:Emisor'\"x\"", "\"'"));
    EXPECT_EQ(text_of(result.get()), "cfdi:Emisorx");
}

TEST(StrBuf, EachRefusedBlockIsReportedAndTheTextsThatWereMadeAreWhole) {
    const std::string long_text(300, 'x');
    // What an operation reports as made must be whole: a refusal is told, never a shorter text.
    const auto made = [](const StrBuf* buf, const std::string& expected) {
        if (buf) {
            EXPECT_EQ(text_of(buf), expected);
        }
        return buf != nullptr;
    };
    const std::function<bool()> operations[] = {
        [&] {
            StrBuf* buf = nullptr;
            const bool done = strbuf_append_text(&buf, "ab") && strbuf_append_text(&buf, long_text.c_str()) &&
                              strbuf_append_text(&buf, long_text.c_str());
            if (buf) {
                EXPECT_EQ(strbuf_text(buf)[buf->length], '\0');
            }
            if (done) {
                EXPECT_EQ(text_of(buf), "ab" + long_text + long_text);
            }
            strbuf_free(buf);
            return done;
        },
        [&] {
            StrBufPtr original(strbuf_from_text(long_text.c_str()));
            StrBufPtr copy(strbuf_dup(original.get()));
            return original && made(copy.get(), long_text);
        },
        [&] {
            const char text[] = "abcdef";
            StrBufPtr range(strbuf_from_range(text + 1, text + 3));
            StrBufPtr kept(strbuf_remove_chars("a'b\"c", "'\""));
            return made(range.get(), "bcd") && made(kept.get(), "abc");
        },
        [&] {
            StrBufPtr original(strbuf_from_text(("<" + long_text + ">").c_str()));
            StrBufPtr replaced(strbuf_replace_all(original.get(), "x", "yz"));
            std::string expected = "<";
            for (int i = 0; i < 300; ++i) expected += "yz";
            return original && made(replaced.get(), expected + ">");
        },
        [] {
            StrBuf* buf = nullptr;
            const bool done = strbuf_reserve_for(&buf, 1000);
            if (done) {
                EXPECT_GT(buf->capacity, 1000);
            }
            strbuf_free(buf);
            return done;
        },
    };
    for (const auto& operation : operations) EXPECT_GT(refuse_each_block(operation), 0);
}

TEST(StrBuf, AMissingOrImpossibleArgumentIsRefusedAndChangesNothing) {
    StrBufPtr full(strbuf_new(8));
    strbuf_set_text(full.get(), "abc");
    StrBufPtr blockless(strbuf_new(0));
    ASSERT_TRUE(blockless);
    EXPECT_EQ(blockless->text, nullptr);
    const char text[] = "abc";
    const std::pair<const char*, int> refused[] = {
        {"append without a slot", strbuf_append_text(nullptr, "a")},
        {"append of no text", [&] { StrBuf* slot = full.get(); return strbuf_append_text(&slot, nullptr); }()},
        {"reserve without a slot", strbuf_reserve_for(nullptr, 4)},
        {"reserve of a negative length", [&] { StrBuf* slot = full.get(); return strbuf_reserve_for(&slot, -1); }()},
        {"fill without a buffer", strbuf_fill(nullptr, "a", 1)},
        {"fill of a blockless buffer", strbuf_fill(blockless.get(), "a", 1)},
        {"fill of no bytes", strbuf_fill(full.get(), nullptr, 1)},
        {"fill of a negative count", strbuf_fill(full.get(), "a", -1)},
        {"set into a blockless buffer", strbuf_set_text(blockless.get(), "")},
        {"range without a first", strbuf_from_range(nullptr, text) != nullptr},
        {"range without a last", strbuf_from_range(text, nullptr) != nullptr},
        {"range that ends before it starts", strbuf_from_range(text + 1, text) != nullptr},
        {"copy of nothing", strbuf_dup(nullptr) != nullptr},
    };
    for (const auto& [what, result] : refused) EXPECT_EQ(result, 0) << what;
    EXPECT_EQ(text_of(full.get()), "abc");
    EXPECT_EQ(blockless->length, 0);
    StrBufPtr same(strbuf_remove_chars("a'b", nullptr));
    EXPECT_EQ(text_of(same.get()), "a'b");
}

TEST(StrBuf, ReservingTakesNoBlockForWhatFitsAndNeverOneBeyondTheLargestSize) {
    StrBufPtr small(strbuf_from_text("abc"));
    StrBuf* slot = small.get();
    memory_refuse_block(0);
    EXPECT_EQ(strbuf_reserve_for(&slot, 10), 1);
    EXPECT_EQ(memory_blocks_taken(), 0);
    EXPECT_EQ(small->capacity, 128);
    // 127 plus steps of 128 reaches INT32_MAX exactly: asked for (and refused here), one step more is not.
    StrBufPtr odd(strbuf_new(127));
    slot = odd.get();
    memory_refuse_block(1);
    EXPECT_EQ(strbuf_reserve_for(&slot, INT32_MAX - 1), 0);
    EXPECT_EQ(memory_blocks_taken(), 1);
    EXPECT_EQ(strbuf_reserve_for(&slot, INT32_MAX), 0);
    EXPECT_EQ(memory_blocks_taken(), 1);
    memory_refuse_block(0);
    EXPECT_EQ(odd->capacity, 127);
}

TEST(StrBuf, BulkResultsAreSizedOnce) {
    StrBufPtr original(strbuf_from_text(std::string(5000, 'x').c_str()));
    memory_refuse_block(0);
    StrBufPtr replaced(strbuf_replace_all(original.get(), "x", "yz"));
    EXPECT_EQ(memory_blocks_taken(), 2) << "a record and one block of the final size";
    EXPECT_EQ(replaced->length, 10000);
}
