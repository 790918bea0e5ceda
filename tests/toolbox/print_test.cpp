// The formatted printer: custom placeholders, list forms, standard conversions, colour scopes.
#include <gtest/gtest.h>

#include "capture.h"
#include "vek/str.h"

namespace {

struct Printed {
    std::string text;
    u32 count;
};

#define PRINTED(...)                                                      \
    [&] {                                                                 \
        Printed p{};                                                      \
        p.text = capture_print([&] { p.count = print(__VA_ARGS__); });    \
        return p;                                                         \
    }()

TEST(Print, SinglePlaceholdersAndStandardConversions) {
    Printed p = PRINTED("%{u32} and %d", 7, 8);
    EXPECT_EQ(p.text, "7 and 8");
    EXPECT_EQ(p.count, 7u);
    EXPECT_EQ(PRINTED("%{f32}", 1.5f).text, "1.500000");
    EXPECT_EQ(PRINTED("%{f64}|%{s32}|%{s64}|%{u64}", 2.25, -4, (s64)-5, (u64)1 << 40).text,
              "2.250000|-4|-5|1099511627776");
    EXPECT_EQ(PRINTED("%{bool} %{bool}", 0, 2).text, "false true");
    EXPECT_EQ(PRINTED("%5.1f|%-4s|%c", 2.5, "ab", 'x').text, "  2.5|ab  |x");
    Printed percent = PRINTED("100%% %d", 5);
    EXPECT_EQ(percent.text, "100% 5");
    EXPECT_EQ(percent.count, 6u);
    // Mixed: arguments after doubles, stars and long lengths keep their places.
    EXPECT_EQ(PRINTED("%.*f %{u32} %lld %{->char} %*d", 2, 3.14159, 9, (long long)-7, "x", 3, 1).text,
              "3.14 9 -7 x   1");
}

TEST(Print, Spaces) {
    EXPECT_EQ(PRINTED("%{spaces}|", 3).text, "   |");
    EXPECT_EQ(PRINTED("%{spaces}|", 0).text, "|");
    EXPECT_EQ(PRINTED("%{spaces}|", -2).text, "|");
    Printed wide = PRINTED("%{spaces}|", 13);
    EXPECT_EQ(wide.text, std::string(13, ' ') + "|");
    EXPECT_EQ(wide.count, 14u);
}

TEST(Print, UnknownPrinterPrintsRestLiterally) {
    testing::internal::CaptureStdout();
    Printed p = PRINTED("%{nothing}!");
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(p.text, "nothing}!");
    EXPECT_EQ(out, "ERROR: nothing printer not found\n");
}

TEST(Print, ArrayAndCountedForms) {
    u32 values[] = {1, 2, 3};
    Printed a = PRINTED("%{u32[3]}", values);
    EXPECT_EQ(a.text, "[1, 2, 3]");
    EXPECT_EQ(a.count, 9u);
    EXPECT_EQ(PRINTED("%{u32[*]}", values, 2).text, "[1, 2]");
    EXPECT_EQ(PRINTED("%{u32[*]}|%d", values, 0, 5).text, "[]|5");
    f32 floats[] = {0.5f, -1.0f};
    EXPECT_EQ(PRINTED("%{f32[2]}", floats).text, "[0.500000, -1.000000]");
    const char* texts[] = {"a", "bc"};
    EXPECT_EQ(PRINTED("%{->char[2]}", texts).text, "[a, bc]");

    EXPECT_EQ(PRINTED("%{u32,2}", 4, 5).text, "[4, 5]");
    Printed empty = PRINTED("%{u32,0}|%d", 6);
    EXPECT_EQ(empty.text, "[]|6");   // no argument taken
    EXPECT_EQ(empty.count, 4u);
    EXPECT_EQ(PRINTED("%{f64,3}", 1.0, 2.0, 3.0).text, "[1.000000, 2.000000, 3.000000]");
}

TEST(Print, BadCountsNeverReadTheArray) {
    u32 values[] = {1, 2, 3};
    // Negative or non-numeric counts make the placeholder invalid: literal text from after '{'.
    EXPECT_EQ(PRINTED("%{u32[-2]}", values).text, "u32[-2]}");
    EXPECT_EQ(PRINTED("%{u32[x]}", values).text, "u32[x]}");
    EXPECT_EQ(PRINTED("%{u32,x}").text, "u32,x}");
    // Missing ']' or '}'.
    EXPECT_EQ(PRINTED("%{u32[2", values).text, "u32[2");
    EXPECT_EQ(PRINTED("%{u32,2").text, "u32,2");
    EXPECT_EQ(PRINTED("%{u32").text, "u32");
}

TEST(Print, MalformedConversions) {
    EXPECT_EQ(PRINTED("%q").text, "");
    EXPECT_EQ(PRINTED("%5q").text, "q");
    EXPECT_EQ(PRINTED("a%").text, "a");
}

TEST(Print, ColourScopesNest) {
    Printed p = PRINTED("%{color<}a%{color<}b%{>color}c%{>color}", "\033[31m", "\033[36m");
    EXPECT_EQ(p.text, "\033[31ma\033[36mb\033[31mc\033[0m");
    EXPECT_EQ(p.count, (u32)p.text.size());
    // Deeper than the initial 16 entries of the stack.
    std::string format, expected;
    for (int i = 0; i < 20; i++) format += "%{color<}";
    for (int i = 0; i < 20; i++) format += "%{>color}";
    std::string text = capture_print([&] {
        print(format.c_str(), console_red, console_red, console_red, console_red, console_red, console_red,
              console_red, console_red, console_red, console_red, console_red, console_red, console_red,
              console_red, console_red, console_red, console_red, console_red, console_red, console_green);
    });
    for (int i = 0; i < 19; i++) expected += console_red;
    expected += console_green;
    for (int i = 0; i < 19; i++) expected += console_red;
    expected += console_reset;
    EXPECT_EQ(text, expected);
    // A stray pop does not underflow.
    EXPECT_EQ(PRINTED("%{>color}").text, console_reset);
}

TEST(Print, TextPrinters) {
    EXPECT_EQ(PRINTED("%{->char_line}", "first\nsecond").text, "first");
    EXPECT_EQ(PRINTED("%{->char_line}", "only").text, "only");
    char bytes[] = {'a', 'b', 'c', 'd'};
    Str str = {bytes, 3};
    EXPECT_EQ(PRINTED("<%{->Str}>", &str).text, "<abc>");
    EXPECT_EQ(PRINTED("%{->}", (void*)nullptr).text, "nullptr");
    EXPECT_EQ(PRINTED("%{->}", (void*)0x1234abcdULL).text, "0X000000001234ABCD");
    EXPECT_EQ(PRINTED("%{->}", (void*)0x7f0012345678ULL).text, "0X00007F0012345678");
}

s32 print_pair(FILE* stream, va_list* cursor) {
    int a = va_arg(*cursor, int);
    int b = va_arg(*cursor, int);
    return print_to_file(stream, "(%d,%d)", a, b);
}

TEST(Print, RegisteredPrintersAndCursorKind) {
    ensure_printer();
    register_printer("pair", print_pair, Printer_Kind::Cursor);
    EXPECT_EQ(PRINTED("%{pair} %d", 1, 2, 3).text, "(1,2) 3");
    // Registering again replaces the printer.
    register_printer("pair", +[](FILE* s, u32 v) -> s32 { return (s32)print_to_file(s, "#%u", v); }, Printer_Kind::Int32);
    EXPECT_EQ(PRINTED("%{pair}%{pair}", 4, 5).text, "#4#5");
}

TEST(Print, PrintlnAndStrings) {
    Printed p{};
    p.text = capture_print([&] { p.count = println("x=%d", 12); });
    EXPECT_EQ(p.text, "x=12\n");
    EXPECT_EQ(p.count, 5u);
    char* out = nullptr;
    u32 length = print_to_string(&out, "%{u32,2}-%s", 1, 2, "z");
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(length, 8u);
    EXPECT_STREQ(out, "[1, 2]-z");
    vek_free(out);
}

}  // namespace
