// Test helpers that reach outside the process: the monotonic clock and shell commands (xdotool,
// ImageMagick's import).
#pragma once

#include <stdio.h>
#include <time.h>

#include <string>

inline double seconds_now() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + (double)now.tv_nsec * 1e-9;
}

// Runs a shell command and returns its standard output.
inline std::string run_command(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char chunk[1024];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, n);
    pclose(pipe);
    return out;
}
