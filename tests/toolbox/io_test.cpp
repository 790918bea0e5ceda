// Whole-file reading of binary, empty and missing files.
#include <gtest/gtest.h>

#include <signal.h>

#include "capture.h"
#include "io.h"

namespace {

std::string write_temp(const char* name, const std::string& bytes) {
    std::string path = testing::TempDir() + name;
    FILE* f = fopen(path.c_str(), "wb");
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
    return path;
}

TEST(ReadEntireFile, TextAndBinary) {
    Str text;
    read_entire_file(&text, write_temp("five.txt", "hello").c_str());
    ASSERT_NE(text.data, nullptr);
    EXPECT_EQ(text.length, 5u);
    EXPECT_EQ(std::string(text.data, 5), "hello");
    EXPECT_EQ(text.data[5], 0);
    free(text.data);

    std::string binary("\x00\x01\xff\x00\x7f\x00", 6);
    Str bin;
    read_entire_file(&bin, write_temp("bin.dat", binary).c_str());
    EXPECT_EQ(bin.length, 6u);
    EXPECT_EQ(std::string(bin.data, 6), binary);
    EXPECT_EQ(bin.data[6], 0);
    free(bin.data);
}

TEST(ReadEntireFile, EmptyFileGivesNoBuffer) {
    Str out = {(char*)"x", 99};
    testing::internal::CaptureStderr();
    read_entire_file(&out, write_temp("empty.txt", "").c_str());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Empty file");
    EXPECT_EQ(out.data, nullptr);
    EXPECT_EQ(out.length, 0u);
}

TEST(ReadEntireFileDeathTest, MissingFilePanicsNamingIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ensure_printer();
    auto run = [] {
        dup2(2, 1);
        Str out;
        read_entire_file(&out, "no/such/file.obj");
    };
    EXPECT_EXIT(run(), testing::KilledBySignal(SIGTRAP),
                "in file .*src/io.* line .*read_entire_file.*\n.*Cannot read file: no/such/file.obj");
}

}  // namespace
