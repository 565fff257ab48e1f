#include "exec/runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "platform/platform.h"
#include "support/messages.h"
#include "support/os.h"
#include "support/program_dir.h"

namespace {

// The recorder double lies beside this test; the runner finds it there by name.
class Runner : public testing::Test {
protected:
    void SetUp() override {
        set_env("RECORDER_LOG", dir.log().string());
    }
    void TearDown() override {
        unset_env("RECORDER_LOG");
        unset_env("RECORDER_RECORDER");
    }
    int run(const std::string& line, int timeout_ms = 0, int wait = 1) {
        // A caption and limits of the test's own: the runner knows only what it is given.
        CollectedMessages shown;
        const RunSettings settings{shown.reporter("Visor de prueba"), timeout_ms};
        const int result = run_command(line.c_str(), nullptr, wait, 0, settings);
        messages = shown.text;
        return result;
    }
    // The child, and the grandchild whose id it writes to `pid_file`, both end at a one-second limit.
    void stops_the_tree(const fs::path& pid_file) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(run("recorder", 1000), 0);
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        // Whole seconds, strictly more than one: stopped once the clock has moved on by two.
        EXPECT_GE(elapsed.count(), 1000);
        EXPECT_LT(elapsed.count(), 3200);
        EXPECT_EQ(messages,
                  "Visor de prueba: Warning #508: Se alcanz\xf3 el timeout configurado y se detuvo el comando: recorder\n");
        const long grandchild = std::stol(read_file(pid_file));
        bool gone = false;
        for (int i = 0; i < 100 && !gone; ++i) {
            gone = process_gone(grandchild);
            if (!gone) platform_sleep_ms(10);
        }
        EXPECT_TRUE(gone) << "grandchild " << grandchild << " outlived the stop";
        EXPECT_TRUE(dir.starts().empty()) << "the child was stopped before it could record";
    }
    ProgramDir dir;
    std::string messages;
};

}  // namespace

TEST_F(Runner, QuickChildGivesZeroWithoutWaitingAPollInterval) {
    // The fastest of a few runs, so that a loaded machine does not decide the result,
    // against the same child started and waited for directly (slow under emulation).
    const auto fastest_of = [](const std::function<void()>& start_child) {
        auto fastest = std::chrono::steady_clock::duration::max();
        for (int i = 0; i < 5; ++i) {
            const auto start = std::chrono::steady_clock::now();
            start_child();
            fastest = std::min(fastest, std::chrono::steady_clock::now() - start);
        }
        return fastest;
    };
    const std::string recorder = (fs::path(TEST_BIN_DIR) / (std::string("recorder") + TEST_EXE_SUFFIX)).string();
    const auto direct = fastest_of([&] { run_program(recorder, {}, dir.work(), {}); });
    const auto through_runner = fastest_of([&] {
        EXPECT_EQ(run("recorder"), 0);
        EXPECT_EQ(messages, "");
    });
    // A runner that sleeps before its first look costs a whole step of 100 ms; the
    // rest of the bound is room for process starts under emulation.
    EXPECT_LT(through_runner - direct, std::chrono::milliseconds(90));
}

TEST_F(Runner, ExitCodeIsReturnedWithoutMessageIncluding259) {
    set_env("RECORDER_RECORDER", "exit=3");
    EXPECT_EQ(run("recorder"), 3);
    EXPECT_EQ(messages, "");
    set_env("RECORDER_RECORDER", "exit=259");
    EXPECT_EQ(run("recorder", 2000), exit_code_as_seen(259));
}

TEST_F(Runner, WithoutATimeLimitAChildRunsToItsEndPastAWholeSecond) {
    set_env("RECORDER_RECORDER", "sleep=1;exit=4");
    EXPECT_EQ(run("recorder"), 4);
    EXPECT_EQ(messages, "");
}

TEST_F(Runner, AChildNotWaitedForGivesZeroWhateverItsExitCode) {
    set_env("RECORDER_RECORDER", "exit=3");
    EXPECT_EQ(run("recorder", 0, 0), 0);
    EXPECT_EQ(messages, "");
    for (int i = 0; i < 500 && dir.starts().empty(); ++i) platform_sleep_ms(10);
    EXPECT_EQ(dir.starts().size(), 1u) << "the child runs all the same";
}

TEST_F(Runner, MissingProgramShowsTwoBoxesAndGives507) {
    EXPECT_EQ(run("\"no-such-tool.exe\" -a"), 507);
    EXPECT_EQ(messages, "Visor de prueba: " + no_such_file_text() +
                            "\nVisor de prueba: Error #507: Se encontro un error al intentar ejecutar comando: "
                            "\"no-such-tool.exe\" -a\n");
}

TEST_F(Runner, ArgumentsWithSpacesAndQuotesArriveIntact) {
    EXPECT_EQ(run("recorder \"a b\" \"c\\\"d\" plain \"C:\\x y\\\\\""), 0);
    const auto starts = dir.starts();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0], (std::vector<std::string>{"recorder", fs::current_path().string(), "a b", "c\"d", "plain",
                                                   "C:\\x y\\"}));
}

TEST_F(Runner, TimeLimitStopsTheChildAndItsChildrenWithAWarning) {
    const fs::path pid_file = dir.work() / "grandchild.pid";
    set_env("RECORDER_RECORDER", "grandchild=" + pid_file.string() + ";sleep=30");
    stops_the_tree(pid_file);
}

TEST_F(Runner, TimeLimitStopsAGrandchildInASessionOfItsOwn) {
    const fs::path pid_file = dir.work() / "grandchild.pid";
    set_env("RECORDER_RECORDER", "session=" + pid_file.string() + ";sleep=30");
    stops_the_tree(pid_file);
}

