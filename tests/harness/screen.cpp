// GPU test harness basics (see screen.h).
#include "screen.h"

#include <stb_image.h>
#include <stb_image_write.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <sstream>

double seconds_now() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + (double)now.tv_nsec * 1e-9;
}

std::string shell(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) out.append(chunk, n);
    pclose(pipe);
    return out;
}

glm::ivec3 Screenshot::at(glm::dvec2 p) const {
    if (rgb.empty()) return glm::ivec3(-1);
    u32 x = (u32)glm::clamp(p.x, 0.0, (double)width - 1), y = (u32)glm::clamp(p.y, 0.0, (double)height - 1);
    const u8* c = &rgb[3 * ((size_t)y * width + x)];
    return {c[0], c[1], c[2]};
}

glm::vec3 Screenshot::mean(glm::dvec2 p, s32 r) const {
    glm::dvec3 sum(0);
    u32 n = 0;
    for (s64 y = (s64)p.y - r; y <= (s64)p.y + r; y++)
        for (s64 x = (s64)p.x - r; x <= (s64)p.x + r; x++) {
            if (x < 0 || y < 0 || x >= (s64)width || y >= (s64)height) continue;
            sum += glm::dvec3(at({(double)x, (double)y}));
            n++;
        }
    return n ? glm::vec3(sum / (double)n) : glm::vec3(0);
}

Screenshot capture_screen() {
    Screenshot shot;
    std::string path = "/tmp/morvu_screen_" + std::to_string(getpid()) + ".png";
    shell("import -window root png:" + path + " 2>&1");
    int w = 0, h = 0, channels = 0;
    u8* pixels = stbi_load(path.c_str(), &w, &h, &channels, 3);
    remove(path.c_str());
    if (pixels == nullptr) return shot;
    shot.width = (u32)w;
    shot.height = (u32)h;
    shot.rgb.assign(pixels, pixels + (size_t)w * h * 3);
    stbi_image_free(pixels);
    return shot;
}

std::string save_png(const Screenshot& shot, const std::string& name) {
    std::string path = std::string(MORVU_TEST_PICTURE_DIR) + "/" + name + ".png";
    shell("mkdir -p '" MORVU_TEST_PICTURE_DIR "'");
    stbi_write_png(path.c_str(), (int)shot.width, (int)shot.height, 3, shot.rgb.data(), (int)shot.width * 3);
    return path;
}

Screenshot settled(const std::function<Screenshot()>& capture, const std::function<bool(const Screenshot&)>& ready) {
    Screenshot shot, last;
    for (double end = seconds_now() + patience_s;; last = std::move(shot)) {
        shot = capture();
        bool done = ready ? ready(shot) : shot.width > 0 && shot.rgb == last.rgb;
        if (done || seconds_now() > end) return shot;
    }
}

Window_Geometry find_game_window() {
    Window_Geometry window;
    std::string id = shell("xdotool search --name '^morvu$' 2>/dev/null | head -n 1");
    if (id.empty()) return window;
    window.id = id.substr(0, id.find('\n'));
    // Lines such as "X=0" and "WIDTH=1600".
    std::istringstream lines(shell("xdotool getwindowgeometry --shell " + window.id));
    for (std::string line; std::getline(lines, line);) {
        size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        std::string name = line.substr(0, equals);
        double value = atof(line.c_str() + equals + 1);
        if (name == "X") window.origin.x = value;
        if (name == "Y") window.origin.y = value;
        if (name == "WIDTH") window.size.x = value;
        if (name == "HEIGHT") window.size.y = value;
    }
    return window;
}
