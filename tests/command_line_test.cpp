#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/failing_memory.h"
#include "viewer/startup.h"

namespace {

std::vector<std::string> split(const char* text) {
    char** table = string_table_new(kArgSlots, kArgSlotSize);
    const int n = split_command_line(text, table, kArgSlots, kArgSlotSize);
    std::vector<std::string> out(table, table + n);
    string_table_free(table, kArgSlots, kArgSlotSize);
    return out;
}

using Args = std::vector<std::string>;

}  // namespace

TEST(SplitCommandLine, EmptyOrSpacesOnlyGivesNoArgument) {
    EXPECT_EQ(split(""), Args{});
    EXPECT_EQ(split("    "), Args{});
}

TEST(SplitCommandLine, QuotesOfEitherKindGroupAndAreRemovedWhenTheyMatch) {
    EXPECT_EQ(split("\"C:\\My Files\\a.xml\" -p"), (Args{"C:\\My Files\\a.xml", "-p"}));
    EXPECT_EQ(split("'C:\\My Files\\a.xml'"), (Args{"C:\\My Files\\a.xml"}));
    EXPECT_EQ(split("\"C:\\My Files\\a.xml'"), (Args{"\"C:\\My Files\\a.xml'"}));
    EXPECT_EQ(split("a'b c'd"), (Args{"a'b c'd"}));
    EXPECT_EQ(split("\"C:\\Docs\\O'Brien factura.xml\" -p"), (Args{"C:\\Docs\\O'Brien factura.xml", "-p"}));
    EXPECT_EQ(split("'say \"hi there' x"), (Args{"say \"hi there", "x"}));
    EXPECT_EQ(split("a\tb  c"), (Args{"a\tb", "c"}));
    EXPECT_EQ(split("\"\" x"), (Args{"", "x"}));
    EXPECT_EQ(split("x \""), (Args{"x", ""}));
}

TEST(SplitCommandLine, KeepsTenArgumentsAndCutsEachTo259) {
    EXPECT_EQ(split("1 2 3 4 5 6 7 8 9 10 11 12").size(), 10u);
    const std::string longer(300, 'a');
    EXPECT_EQ(split(longer.c_str()), (Args{std::string(259, 'a')}));
    // A table without slots or without room in them is none.
    EXPECT_EQ(string_table_new(0, kArgSlotSize), nullptr);
    EXPECT_EQ(string_table_new(kArgSlots, 0), nullptr);
    char** table = string_table_new(kArgSlots, kArgSlotSize);
    EXPECT_EQ(split_command_line("a b", table, 0, kArgSlotSize), 0);
    EXPECT_EQ(split_command_line("a b", nullptr, kArgSlots, kArgSlotSize), 0);
    EXPECT_EQ(split_command_line(nullptr, table, kArgSlots, kArgSlotSize), 0);
    EXPECT_EQ(split_command_line("a b", table, kArgSlots, 0), 0) << "slots without room";
    // The first argument's whole length is told, however long the ones after it are.
    size_t first_length = 0;
    EXPECT_EQ(split_command_line("abc de", table, kArgSlots, kArgSlotSize, &first_length), 2);
    EXPECT_EQ(first_length, 3u);
    string_table_free(table, kArgSlots, kArgSlotSize);
}

TEST(SplitCommandLine, ATableMissingAnySlotIsNoneAndLeavesNothingBehind) {
    EXPECT_EQ(refuse_each_block([] {
                  char** table = string_table_new(kArgSlots, kArgSlotSize);
                  const bool whole = table && split_command_line("a b", table, kArgSlots, kArgSlotSize) == 2;
                  string_table_free(table, kArgSlots, kArgSlotSize);
                  return whole;
              }),
              kArgSlots + 1);
}

TEST(MsvcrtRules, SplitFollowsBackslashAndQuoteRules) {
    EXPECT_EQ(msvcrt_split_command_line("prog \"a b\" c"), (Args{"prog", "a b", "c"}));
    EXPECT_EQ(msvcrt_split_command_line("\"C:\\Program Files\\q.exe\" x"), (Args{"C:\\Program Files\\q.exe", "x"}));
    EXPECT_EQ(msvcrt_split_command_line("p a\\\\\"b c\" d"), (Args{"p", "a\\b c", "d"}));
    EXPECT_EQ(msvcrt_split_command_line("p a\\\"b"), (Args{"p", "a\"b"}));
    EXPECT_EQ(msvcrt_split_command_line("p C:\\dir\\ x"), (Args{"p", "C:\\dir\\", "x"}));
    EXPECT_EQ(msvcrt_split_command_line("p \"\" \"a\"\"b\""), (Args{"p", "", "a\"b"}));
}

TEST(MsvcrtRules, QuotingThenSplittingGivesTheArgumentsBack) {
    const Args originals = {"plain", "", "with space", "quo\"te", "trailing\\", "back\\\\\"slash", "tab\there",
                            "\"", "\\\\server\\share\\"};
    std::string line = "prog";
    for (const std::string& arg : originals) {
        line += ' ';
        line += msvcrt_enclose_argument(arg);
    }
    Args expected = {"prog"};
    expected.insert(expected.end(), originals.begin(), originals.end());
    EXPECT_EQ(msvcrt_split_command_line(line.c_str()), expected);
}

TEST(CommandTextAfterProgram, AQuotedNameEndsAtItsClosingQuote) {
    const std::pair<const char*, const char*> lines[] = {
        {"\"C:\\Program Files\\Vandrel.exe\"C:\\f.xml", "C:\\f.xml"},
        {"\"C:\\Program Files\\Vandrel.exe\"  \t \"a b.xml\" -p", "\"a b.xml\" -p"},
        {"Vandrel.exe f.xml", "f.xml"},
        {"Vandrel.exe", ""},
        {"\"unclosed name", ""},
        {"", ""},
    };
    for (const auto& [line, rest] : lines) EXPECT_STREQ(command_text_after_program(line), rest) << line;
}
