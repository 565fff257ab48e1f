#include "exec/command_template.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "support/messages.h"
#include "support/os.h"
#include "support/program_dir.h"

namespace {

std::string expand(const char* template_text, const char* path = "C:\\Facturas\\F001.xml") {
    const char* args[] = {"F001.xml", "copia"};
    StrBufPtr result(expand_command_template(template_text, path, 2, args));
    return result ? std::string(result->text, static_cast<size_t>(result->length)) : "(null)";
}

}  // namespace

TEST(ExpandCommandTemplate, PlaceholdersStandForThePathAnArgumentOrNothing) {
    EXPECT_EQ(expand("visor.exe $file$"), "visor.exe C:\\Facturas\\F001.xml");
    EXPECT_EQ(expand("visor.exe \"$FILE$\" $2$"), "visor.exe \"C:\\Facturas\\F001.xml\" \"copia\"");
    EXPECT_EQ(expand("visor.exe %1% /x"), "visor.exe \"F001.xml\" /x");
    EXPECT_EQ(expand("visor.exe \"%file%\" $1$"), "visor.exe \"C:\\Facturas\\F001.xml\" \"F001.xml\"");
    EXPECT_EQ(expand("visor.exe"), "visor.exe \"C:\\Facturas\\F001.xml\"");
    EXPECT_EQ(expand(""), " \"C:\\Facturas\\F001.xml\"");
    EXPECT_EQ(expand("visor.exe $3$ $x$ -a"), "visor.exe   -a");
    EXPECT_EQ(expand("visor.exe $$ 50%"), "visor.exe  50%");
    EXPECT_EQ(expand("visor.exe 50%"), "visor.exe 50% \"C:\\Facturas\\F001.xml\"");
    EXPECT_EQ(expand("visor.exe /modo=2 $ 2x$"), "visor.exe /modo=2 \"copia\"");
    EXPECT_EQ(expand("visor.exe %+1% %-1%"), "visor.exe \"F001.xml\" ");  // a sign is read as atoi reads it
    // Every blank atoi skips, and only those, may come before the number.
    EXPECT_EQ(expand("a $\t2$ $\v2$ $\f2$ $\r2$ $\n2$ $\x08" "2$"),
              "a \"copia\" \"copia\" \"copia\" \"copia\" \"copia\" ");
}

TEST(ExpandCommandTemplate, AQuoteAfterAnOddNumberOfBackslashesOpensNoQuotedStretch) {
    EXPECT_EQ(expand("visor.exe \\\"%1% x"), "visor.exe \\\"\"F001.xml\" x");
    EXPECT_EQ(expand("visor.exe \"%1% x\""), "visor.exe \"\\\"F001.xml\\\" x\"");
    EXPECT_EQ(expand("\"%1% x\""), "\"\\\"F001.xml\\\" x\"") << "a template may open with its quote";
}

TEST(ExpandCommandTemplate, InsertedTextIsNeverReadAgainAsTemplateText) {
    EXPECT_EQ(expand("visor.exe $file$", "C:\\d%x%\\t.xml"), "visor.exe C:\\d%x%\\t.xml");
    EXPECT_EQ(expand("visor.exe \"%file%\" $file$", "C:\\a%b\\c%d.xml"),
              "visor.exe \"C:\\a%b\\c%d.xml\" C:\\a%b\\c%d.xml");
    // Inserted text between a pair of the template's own "%" is part of that placeholder's name.
    EXPECT_EQ(expand("a%$file$%b"), "ab");
}

TEST(ExpandCommandTemplate, ArgumentsArriveWholeWhateverTheyHold) {
    const char* args[] = {"q\"uo te", "dir\\", "plain"};
    StrBufPtr result(expand_command_template("visor.exe %1% $2$ $3$", "/f.xml", 3, args));
    ASSERT_TRUE(result);
    EXPECT_EQ(msvcrt_split_command_line(strbuf_text(result.get())),
              (std::vector<std::string>{"visor.exe", "q\"uo te", "dir\\", "plain"}));
}

TEST(ExpandCommandTemplate, HugeNumbersAndManyPlaceholdersStayBounded) {
    EXPECT_EQ(expand("x $99999999999999999999$ $-1$ $0$"), "x   ");
    std::string many;
    for (int i = 0; i < 10000; ++i) many += "$1$";
    EXPECT_EQ(expand(many.c_str()).size(), 10000u * 10);
}

class RfcTable : public testing::Test {
protected:
    void SetUp() override {
        platform_get_current_dir(previous);
        dir.add_double("visor.exe");
        dir.add_double("otro.exe");
        ASSERT_TRUE(platform_set_current_dir(dir.dir().string().c_str()));
        set_env("RECORDER_LOG", dir.log().string());
    }
    void TearDown() override {
        platform_set_current_dir(previous.c_str());
        unset_env("RECORDER_LOG");
        unset_env("RECORDER_VISOR");
    }
    int run(const char* rfc) {
        const char* args[] = {"F001.xml", "copia"};
        const IssuerCommands commands{"tableRFC.cfg", RunSettings{shown.reporter(), 0}};
        return run_issuer_command(rfc, "/f/F001.xml", 2, args, commands);
    }
    CollectedMessages shown;
    std::string previous;
    ProgramDir dir;
};

TEST_F(RfcTable, FirstMatchingKeyWinsIgnoringCaseOfAsciiLettersOnly) {
    dir.write("tableRFC.cfg",
              "sin igual\r\nABC010203XY1 =otro.exe\r\nabc010203xy1=visor.exe \"$file$\" $2$\r\n"
              "ABC010203XY1=otro.exe\r\nE&\xd1" "1=visor.exe\r\n=otro.exe $1$\r\n");
    EXPECT_EQ(run("ABC010203XY1"), 0);
    auto starts = dir.starts();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0][0], "visor.exe");
    EXPECT_EQ(std::vector<std::string>(starts[0].begin() + 2, starts[0].end()),
              (std::vector<std::string>{"/f/F001.xml", "copia"}));
    EXPECT_EQ(run("E&\xf1" "1"), 510);
    EXPECT_EQ(run(" ABC010203XY1"), 510);
    // A key is all of its bytes: one that holds a NUL after the RFC is another key.
    dir.write("tableRFC.cfg", std::string("ABC010203XY1\0X=otro.exe\nabc010203xy1=visor.exe\n", 47));
    EXPECT_EQ(run("ABC010203XY1"), 0);
    EXPECT_EQ(dir.starts().back()[0], "visor.exe");
    dir.write("tableRFC.cfg",
              "sin igual\r\nABC010203XY1 =otro.exe\r\nabc010203xy1=visor.exe \"$file$\" $2$\r\n"
              "ABC010203XY1=otro.exe\r\nE&\xd1" "1=visor.exe\r\n=otro.exe $1$\r\n");
    EXPECT_EQ(run(""), 0);
    EXPECT_EQ(dir.starts().back()[0], "otro.exe");
    EXPECT_EQ(dir.starts().back()[2], "F001.xml");
}

TEST_F(RfcTable, EmptyTemplateRunsTheQuotedPathAndExitCodesComeBack) {
    dir.write("tableRFC.cfg", "XYZ=\nAAA=visor.exe\n");
    EXPECT_EQ(run("XYZ"), 507);  // a space and the quoted path: the program is the path itself
    EXPECT_NE(shown.text.find("Error #507: Se encontro un error al intentar ejecutar comando:  \"/f/F001.xml\""),
              std::string::npos) << shown.text;
    set_env("RECORDER_VISOR", "exit=3");
    EXPECT_EQ(run("AAA"), 3);
}

TEST_F(RfcTable, MissingTableOrRfcGives510WithoutMessage) {
    EXPECT_EQ(run("ABC"), 510);
    dir.write("tableRFC.cfg", "");
    EXPECT_EQ(run("ABC"), 510);
    EXPECT_EQ(shown.text, "");
}
