// The program's start-up and the direct road of a ready document, through the real binary.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "support/os.h"
#include "support/program_dir.h"

namespace {

class Startup : public testing::Test {
protected:
    void SetUp() override { dir.add_double("Quenda.exe"); }
    ProgramDir dir;
};

}  // namespace

TEST_F(Startup, NoArgumentShowsUsageAndGives502) {
    const RunResult r = dir.run({});
    EXPECT_EQ(r.exit_code, exit_code_as_seen(502));
    EXPECT_EQ(r.messages,
              "Tesmira Viewer: Argumentos inv\xc3\xa1lidos.\nUsar:\n   Vandrel archivo.xml [<parametros Quenda>]\n");
}

TEST_F(Startup, MissingEmptyOrDirectoryInputGives504) {
    dir.write(dir.work() / "folder.vqd" / "x", "");
    for (const std::string input : {"nonexistent.xml", "", "folder.vqd"}) {
        const RunResult r = dir.run({input});
        EXPECT_EQ(r.exit_code, exit_code_as_seen(504)) << input;
        EXPECT_EQ(r.messages, "Tesmira Viewer: Archivo no existe\n") << input;
    }
    EXPECT_TRUE(dir.starts().empty());
}

TEST_F(Startup, AnExistingFileWhosePathIsTooLongIsSaidToBeTooLongNotMissing) {
    // Windows' own file calls cannot remove such a folder again.
    if (on_windows()) GTEST_SKIP() << "a test folder past 260 characters would stay behind";
    const fs::path deep = dir.work() / std::string(120, 'a') / std::string(120, 'b');
    std::error_code error;
    fs::create_directories(deep, error);
    if (error) GTEST_SKIP() << "this system takes no path of that length";
    dir.write(deep / "factura.xml", "<Comprobante/>");
    const std::string path = (deep / "factura.xml").string();
    ASSERT_GT(path.size(), 259u);
    for (const RunResult& r : {dir.run({path}), dir.run_line("\"" + path + "\"")}) {
        EXPECT_EQ(r.exit_code, exit_code_as_seen(504));
        EXPECT_EQ(r.messages, "Tesmira Viewer: La ruta del archivo es demasiado larga para el programa "
                              "(m\xc3\xa1s de 259 caracteres)\n");
    }
    EXPECT_TRUE(dir.starts().empty());
    // The longest path the program takes opens; one character more is refused.
    const std::string folder = (dir.work() / std::string(120, 'c')).string() + "/";
    for (const size_t length : {size_t{259}, size_t{260}}) {
        const std::string document = folder + std::string(length - folder.size() - 4, 'f') + ".vqd";
        dir.write(document, "doc");
        EXPECT_EQ(dir.run({document}).exit_code, length == 259 ? 0 : exit_code_as_seen(504)) << length;
    }
    EXPECT_EQ(dir.starts().size(), 1u);
}

TEST_F(Startup, ReadyDocumentGoesToTheRendererByTheFullPathOfTheFileTheUserNamed) {
    dir.write(dir.work() / "docs" / "b.VQD", "doc");
    dir.write(dir.dir() / "docs" / "b.VQD", "a namesake beside the program");
    const RunResult r = dir.run({"docs/b.VQD", "-p", "copia"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.messages, "");
    const auto starts = dir.starts();
    ASSERT_EQ(starts.size(), 1u);
    // Further arguments are not passed on this road.
    EXPECT_EQ(starts[0],
              (std::vector<std::string>{"Quenda.exe", dir.dir().string(),
                                        dir.work().string() + platform_dir_separator() + "docs/b.VQD"}));
}

TEST_F(Startup, RenderersExitCodeIsTheProgramsExitCode) {
    dir.write(dir.work() / "a.vqd", "doc");
    EXPECT_EQ(dir.run({"a.vqd"}, {{"RECORDER_QUENDA", "exit=7"}}).exit_code, 7);
}

TEST_F(Startup, InputInTheProgramsOwnDirectoryStartedElsewhereRunsInTheProgramsDirectory) {
    dir.write("own.vqd", "doc");
    EXPECT_EQ(dir.run({(dir.dir() / "own.vqd").string()}).exit_code, 0);
    ASSERT_EQ(dir.starts().size(), 1u);
    EXPECT_EQ(dir.starts()[0][1], dir.dir().string());
}

TEST_F(Startup, VqdXmlIsNotAReadyDocument) {
    dir.add_double("Selvar.exe");
    dir.write(dir.work() / "b.vqd.xml", "not xml at all");
    const RunResult r = dir.run({"b.vqd.xml"}, {{"RECORDER_SELVAR", "exit=9"}});
    EXPECT_EQ(r.exit_code, 9);
    ASSERT_EQ(dir.starts().size(), 1u);
    EXPECT_EQ(dir.starts()[0][0], "Selvar.exe");
}

TEST_F(Startup, MissingRendererShowsTheRunnersMessagesAndGives507) {
    fs::remove(dir.dir() / "Quenda.exe");
    dir.write(dir.work() / "a.vqd", "doc");
    const RunResult r = dir.run({"a.vqd"});
    EXPECT_EQ(r.exit_code, exit_code_as_seen(507));
    const std::string full_path = (dir.work() / "a.vqd").string();
    EXPECT_NE(r.messages.find("Error #507: Se encontro un error al intentar ejecutar comando: Quenda.exe \"" +
                              full_path + "\""),
              std::string::npos)
        << r.messages;
}

TEST_F(Startup, RelativeWindowsInputsAreJoinedToTheWorkingDirectoryAsWritten) {
    if (!on_windows()) GTEST_SKIP() << "Windows path forms";
    dir.add_double("Selvar.exe");
    const std::map<std::string, std::string> undecryptable = {{"RECORDER_SELVAR", "exit=9"}};
    dir.write(dir.work() / "facturas" / "a.xml", "cifrado");
    dir.write(dir.work() / "a.xml", "cifrado");
    const std::string drive = dir.work().string().substr(0, 2);
    // The file test reads the input as written, which for \a.xml is the drive's root.
    const fs::path at_root = drive + "\\a.xml";
    const bool root_was_free = !fs::exists(at_root);
    if (root_was_free) dir.write(at_root, "cifrado");
    struct RemoveAtEnd {
        fs::path path;
        ~RemoveAtEnd() {
            std::error_code ignored;
            if (!path.empty()) fs::remove(path, ignored);
        }
    } cleanup{root_was_free ? at_root : fs::path()};

    const struct {
        std::string input, full_path;
    } cases[] = {
        {"facturas\\a.xml", dir.work().string() + "\\facturas\\a.xml"},
        {"\\a.xml", dir.work().string() + "\\\\a.xml"},  // joined as written, not taken to the drive's root
        {drive + "a.xml", drive + "a.xml"},             // drive-relative: used as written
    };
    for (const auto& c : cases) {
        fs::remove(dir.log());
        EXPECT_EQ(dir.run({c.input}, undecryptable).exit_code, 9) << c.input;
        const auto starts = dir.starts();
        ASSERT_EQ(starts.size(), 1u) << c.input;
        EXPECT_EQ(starts[0][2], c.full_path) << c.input;
    }
    const RunResult unc = dir.run({"\\\\server\\share\\a.xml"});
    EXPECT_EQ(unc.exit_code, 504);
    EXPECT_EQ(unc.messages, "Tesmira Viewer: Archivo no existe\n");
}

TEST_F(Startup, WindowsCommandLineQuotesAreTheViewersOwn) {
    if (!on_windows()) GTEST_SKIP() << "the command line reaches the program whole only on Windows";
    dir.write(dir.work() / "My Files" / "a.vqd", "doc");
    dir.write(dir.work() / "a'b c'd.vqd", "doc");
    dir.write(dir.work() / "O'Brien factura.vqd", "doc");
    // An apostrophe inside a double-quoted stretch is an apostrophe.
    for (const std::string line :
         {"\"My Files\\a.vqd\" -p", "'My Files\\a.vqd'", "a'b c'd.vqd", "\"O'Brien factura.vqd\""}) {
        fs::remove(dir.log());
        EXPECT_EQ(dir.run_line(line).exit_code, 0) << line;
        ASSERT_EQ(dir.starts().size(), 1u) << line;
    }
    EXPECT_EQ(dir.starts()[0][2], (dir.work() / "O'Brien factura.vqd").string());
    // A quoted program name ends at its closing quote, even with the invoice right after it.
    fs::remove(dir.log());
    const std::string exe = (dir.dir() / "Vandrel.exe").string();
    EXPECT_EQ(run_program_whole_line(exe, "\"" + exe + "\"a'b c'd.vqd", dir.work(), {{"RECORDER_LOG", dir.log().string()}})
                  .exit_code,
              0);
    ASSERT_EQ(dir.starts().size(), 1u);
    EXPECT_EQ(dir.starts()[0][2], (dir.work() / "a'b c'd.vqd").string());
    // Double quote opening, single quote closing: both stay, and there is no such file.
    const RunResult mixed = dir.run_line("\"My Files\\a.vqd'");
    EXPECT_EQ(mixed.exit_code, 504);
}

TEST_F(Startup, ChildSignalsIgnoredByTheParentDoNotKeepTheRendererFromBeingWaitedFor) {
    if (on_windows()) GTEST_SKIP() << "POSIX signals";
    dir.write(dir.work() / "a.vqd", "doc");
    // The shell ignores SIGCHLD and hands that on to the viewer.
    const RunResult r = run_program("/bin/sh", {"-c", "trap '' CHLD; exec \"$0\" a.vqd", (dir.dir() / "Vandrel").string()},
                                    dir.work(), {{"RECORDER_LOG", dir.log().string()}, {"RECORDER_QUENDA", "exit=7"}});
    EXPECT_EQ(r.exit_code, 7) << r.messages;
    EXPECT_EQ(dir.starts().size(), 1u);
}

TEST_F(Startup, ASiblingThatCannotBeRunIsReportedSoAndNeverReplacedByANamesake) {
    if (on_windows()) GTEST_SKIP() << "POSIX execute permission";
    fs::permissions(dir.dir() / "Quenda.exe", fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::remove);
    const fs::path elsewhere = dir.root() / "path";
    fs::create_directories(elsewhere);
    fs::copy_file(dir.dir() / "Quenda.exe", elsewhere / "Quenda.exe");
    fs::permissions(elsewhere / "Quenda.exe", fs::perms::owner_all);
    dir.write(dir.work() / "a.vqd", "doc");
    const RunResult r = dir.run({"a.vqd"}, {{"PATH", elsewhere.string() + ":/usr/bin:/bin"}});
    EXPECT_EQ(r.exit_code, exit_code_as_seen(507));
    EXPECT_EQ(r.messages.rfind("Tesmira Viewer: " + std::string(std::strerror(EACCES)) + "\n", 0), 0u) << r.messages;
    EXPECT_TRUE(dir.starts().empty());
}

TEST_F(Startup, TheWindowsProgramCarriesItsIconVersionAndManifest) {
    if (!on_windows()) GTEST_SKIP() << "Windows program resources";
    const ProgramResources resources = read_program_resources(dir.dir() / "Vandrel.exe");
    EXPECT_EQ(resources.icons, 3);
    EXPECT_EQ(resources.product_name, "Tesmira Viewer");
    EXPECT_EQ(resources.file_version, TEST_PROJECT_VERSION);
    for (const char* declared : {"asInvoker", "Microsoft.Windows.Common-Controls", "PerMonitorV2", "true/pm"}) {
        EXPECT_NE(resources.manifest.find(declared), std::string::npos) << declared;
    }
}
