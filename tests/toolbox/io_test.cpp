// Whole-file reading of binary and empty files, and the panics for files that cannot be read.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "capture.h"
#include "io.h"

#ifdef __SANITIZE_ADDRESS__
// A failed allocation gives null as it does without the sanitizer, so the reader's own check reports it.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}
#endif

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
    std::string path = write_temp("empty.txt", "");
    testing::internal::CaptureStderr();
    read_entire_file(&out, path.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Empty file: " + path + "\n");
    EXPECT_EQ(out.data, nullptr);
    EXPECT_EQ(out.length, 0u);
}

TEST(ReadEntireFileDeathTest, MissingFileOrDirectoryPanicsNamingIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ensure_printer();
    auto run = [] {
        dup2(2, 1);
        Str out;
        read_entire_file(&out, "no/such/file.obj");
    };
    EXPECT_EXIT(run(), testing::KilledBySignal(SIGTRAP),
                "in file .*src/io.* line .*read_entire_file.*\n.*Cannot read file: no/such/file.obj");

    // fopen opens a directory on Linux, and its size reads as LONG_MAX.
    std::string dir = testing::TempDir() + "io_test_dir.obj";
    mkdir(dir.c_str(), 0700);
    auto read_dir = [&] {
        dup2(2, 1);
        Str out;
        read_entire_file(&out, dir.c_str());
    };
    EXPECT_EXIT(read_dir(), testing::KilledBySignal(SIGTRAP), "Cannot read file: " + dir);
    rmdir(dir.c_str());
}

TEST(ReadEntireFileDeathTest, FileTooLargeForMemoryPanicsNamingIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ensure_printer();
    // A sparse file of 4 GiB takes no disk space; the child's address space is limited to what it
    // already uses plus 256 MiB, so the reader's buffer cannot be allocated on any machine.
    std::string path = testing::TempDir() + "io_test_sparse.bin";
    int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 4ll << 30), 0);
    close(fd);
    auto run = [&] {
        dup2(2, 1);
        long pages = 0;
        FILE* statm = fopen("/proc/self/statm", "r");
        if (!statm || fscanf(statm, "%ld", &pages) != 1) _exit(3);
        fclose(statm);
        rlim_t limit = (rlim_t)pages * (rlim_t)sysconf(_SC_PAGESIZE) + (256u << 20);
        rlimit rl = {limit, limit};
        if (setrlimit(RLIMIT_AS, &rl) != 0) _exit(4);
        Str out;
        read_entire_file(&out, path.c_str());
    };
    EXPECT_EXIT(run(), testing::KilledBySignal(SIGTRAP),
                "Cannot allocate 4294967297 bytes to read file: " + path);
    remove(path.c_str());
}

}  // namespace
