// Panic reports end the process with a stack trace; assertion reports print and carry on.
#include <gtest/gtest.h>

#include <signal.h>

#include "capture.h"
#include "vek/panic.h"

// Not static and not inlined, so the stack trace can name it.
__attribute__((noinline)) void panicking_caller_for_test(const char* path) {
    panic("Cannot read file: %s", path);
}

namespace {

TEST(PanicDeathTest, ReportTraceAndTrap) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ensure_printer();
    // Header with colours, the red message, the trace naming the caller, then SIGTRAP.
    EXPECT_EXIT(panicking_caller_for_test("meshes/none.obj"), testing::KilledBySignal(SIGTRAP),
                "");
}

TEST(PanicDeathTest, ReportText) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ensure_printer();
    // The child writes its report on stdout; send it to stderr, where the death test can see it.
    auto run = [] {
        dup2(2, 1);
        panicking_caller_for_test("meshes/none.obj");
    };
    EXPECT_EXIT(run(), testing::KilledBySignal(SIGTRAP),
                "\\[Panic\\].* in file .*src/\\.\\./tests/toolbox/panic_test.* line .*: \\(.*panicking_caller_for_test.*\\)\n"
                ".*Cannot read file: meshes/none.obj.*\n"
                "Stacktrace: \n"
                "( +[0-9]+: .*\n)*"
                " +[0-9]+: panicking_caller_for_test\\(char const\\*\\)\n");
}

TEST(PanicDeathTest, ExactHeaderBytes) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ensure_printer();
    auto run = [] {
        dup2(2, 1);
        vek_panic("src/io", 175, "read_entire_file", "Cannot read file: %s", "x.obj");
    };
    EXPECT_EXIT(run(), testing::KilledBySignal(SIGTRAP),
                "\033\\[31m\\[Panic\\]\033\\[0m in file \033\\[36msrc/io\033\\[0m line \033\\[36m175\033\\[0m: "
                "\\(\033\\[36mread_entire_file\033\\[0m\\)\n\033\\[31mCannot read file: x.obj\033\\[0m\nStacktrace: \n");
}

std::string report(const char* file, u32 line) {
    return capture_print([&] {
        Str kind = {(char*)"assert", 6};
        report_error("fn", file, line, &kind, "msg %d", 1);
    });
}

TEST(ReportError, PaddingLinesUpArrows) {
    std::string file21(21, 'f');
    EXPECT_EQ(report(file21.c_str(), 171),
              "\n\033[31massert error:\033[0m msg 1\nin       " + file21 + " (171) -> fn\n");
    std::string file40(40, 'g');
    EXPECT_EQ(report(file40.c_str(), 5), "\n\033[31massert error:\033[0m msg 1\nin " + file40 + " (5) -> fn\n");
    // For short files the text before the arrow is always 37 characters.
    for (u32 line : {1u, 9u, 10u, 99u, 100u, 4321u}) {
        std::string text = report("src/scenes", line);
        size_t start = text.find("in ");
        size_t arrow = text.find("-> fn");
        EXPECT_EQ(arrow - start, 37u) << line;
    }
}

TEST(ReportError, SoftAssertReportsAndCarriesOn) {
    bool went_on = false;
    std::string text = capture_print([&] {
        int cells = 3;
        soft_assert(cells == 4);
        soft_assert(cells == 3);
        went_on = true;
    });
    EXPECT_TRUE(went_on);
    EXPECT_NE(text.find("\033[31massert error:\033[0m Assertion-error:\n      condition: cells == 4\n"
                        "             in: src/../tests/toolbox/panic_test:"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("cells == 3"), std::string::npos);
    EXPECT_NE(text.find("-> operator()\n"), std::string::npos) << text;   // inside a lambda

    report("a", 1);
    Error_Record* first = last_error;
    report("b", 2);
    ASSERT_NE(last_error, first);
    EXPECT_EQ(std::string(last_error->message.data, last_error->message.length), "msg 1");
    EXPECT_EQ(std::string(last_error->kind.data, last_error->kind.length), "assert");
    free_last_error();
    EXPECT_EQ(last_error, nullptr);
}

}  // namespace
