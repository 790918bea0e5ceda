// Replays the OBJ fuzz corpus: every input must end in a mesh or in the reader's own panic, never in
// a crash or a sanitizer report.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "mesh.h"
#include "panic_expect.h"

namespace {

std::vector<char> read_file(const std::string& path) {
    std::vector<char> bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return bytes;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    fclose(file);
    return bytes;
}

TEST(ObjFuzzCorpus, EveryInputEndsInAMeshOrAPanic) {
    ensure_printer();
    DIR* dir = opendir(OBJ_FUZZ_CORPUS_DIR);
    ASSERT_NE(dir, nullptr) << OBJ_FUZZ_CORPUS_DIR;
    u32 inputs = 0, meshes = 0;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        std::string path = std::string(OBJ_FUZZ_CORPUS_DIR) + "/" + entry->d_name;
        std::vector<char> bytes = read_file(path);
        inputs++;
        fflush(stdout);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int null_fd = open("/dev/null", O_WRONLY);
            dup2(null_fd, 1);
            // An exact-size copy: no terminating zero to lean on.
            char* text = (char*)malloc(bytes.size() + !bytes.size());
            memcpy(text, bytes.data(), bytes.size());
            Mesh mesh;
            parse_obj(&mesh, text, bytes.size(), entry->d_name);
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        bool parsed = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        bool panicked = WIFSIGNALED(status) && WTERMSIG(status) == SIGTRAP;
        EXPECT_TRUE(parsed || panicked) << entry->d_name << ": status " << status;
        meshes += parsed;
    }
    closedir(dir);
    EXPECT_GT(inputs, 50u);
    EXPECT_GT(meshes, 0u);
}

}  // namespace
