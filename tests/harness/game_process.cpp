// GPU test harness for the game binary (see game_process.h).
#include "game_process.h"

#include <ctype.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include <glm/gtc/matrix_transform.hpp>

namespace {

// The running game and the lines of its log so far.
struct Game_Process {
    pid_t pid = -1;
    std::thread reader;
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::string> lines;
    bool ended = false;
} game;

bool worth_echoing(const std::string& line) {
    for (const char* word : {"Validation", "Panic", "Assertion", "Error", "error", "NOT INDEX 0"})
        if (line.find(word) != std::string::npos) return true;
    return false;
}

void read_log(int fd, std::string log_path) {
    FILE* stream = fdopen(fd, "r");
    FILE* log = fopen(log_path.c_str(), "w");
    char* raw = nullptr;
    size_t capacity = 0;
    while (getline(&raw, &capacity, stream) >= 0) {
        if (log) fputs(raw, log);
        std::string line = without_escapes(raw);
        if (worth_echoing(line)) printf("[game] %s\n", line.c_str());
        std::lock_guard<std::mutex> lock(game.mutex);
        game.lines.push_back(line);
        game.arrived.notify_all();
    }
    free(raw);
    if (log) fclose(log);
    fclose(stream);
    std::lock_guard<std::mutex> lock(game.mutex);
    game.ended = true;
    game.arrived.notify_all();
}

}  // namespace

std::string without_escapes(const std::string& raw) {
    std::string out;
    for (size_t i = 0; i < raw.size(); i++) {
        if (raw[i] == '\033' && i + 1 < raw.size() && raw[i + 1] == '[') {
            for (i += 2; i < raw.size() && !isalpha((unsigned char)raw[i]);) i++;
            continue;
        }
        if (raw[i] != '\n' && raw[i] != '\r') out += raw[i];
    }
    return out;
}

void start_game_process(const std::string& name) {
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    game.pid = fork();
    ASSERT_GE(game.pid, 0);
    if (game.pid == 0) {
        dup2(out[1], 1);
        dup2(out[1], 2);
        close(out[0]);
        close(out[1]);
        execlp("stdbuf", "stdbuf", "-oL", "./morvu", (char*)nullptr);
        _exit(127);
    }
    close(out[1]);
    shell("mkdir -p '" MORVU_TEST_PICTURE_DIR "'");
    game.reader = std::thread(read_log, out[0], std::string(MORVU_TEST_PICTURE_DIR) + "/" + name + ".log");
}

void stop_game_process() {
    if (game.pid > 0) {
        kill(game.pid, SIGTERM);
        waitpid(game.pid, nullptr, 0);
        game.pid = -1;
    }
    if (game.reader.joinable()) game.reader.join();
}

int wait_for_game_exit() {
    for (double end = seconds_now() + patience_s; seconds_now() < end; usleep(50000)) {
        int status = 0;
        if (waitpid(game.pid, &status, WNOHANG) == game.pid) {
            game.pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
    }
    return -1;
}

size_t log_size() {
    std::lock_guard<std::mutex> lock(game.mutex);
    return game.lines.size();
}

std::string log_line(long i) {
    std::lock_guard<std::mutex> lock(game.mutex);
    return i >= 0 && (size_t)i < game.lines.size() ? game.lines[i] : std::string();
}

long wait_for_line(const std::function<bool(const std::string&)>& wanted, size_t from) {
    std::unique_lock<std::mutex> lock(game.mutex);
    double end = seconds_now() + patience_s;
    for (size_t next = from;;) {
        for (; next < game.lines.size(); next++)
            if (wanted(game.lines[next])) return (long)next;
        if (game.ended || seconds_now() > end) return -1;
        game.arrived.wait_for(lock, std::chrono::milliseconds(20));
    }
}

long wait_for_text(const std::string& text, size_t from) {
    return wait_for_line([&](const std::string& line) { return line.find(text) != std::string::npos; }, from);
}

size_t count_lines_with(const std::string& text) {
    std::lock_guard<std::mutex> lock(game.mutex);
    size_t n = 0;
    for (const std::string& line : game.lines) n += line.find(text) != std::string::npos;
    return n;
}

Window_Geometry wait_for_game_window() {
    Window_Geometry window;
    for (double end = seconds_now() + patience_s; window.id.empty() && seconds_now() < end; usleep(100000))
        window = find_game_window();
    return window;
}

void xdotool(const std::string& arguments) { shell("xdotool " + arguments + " 2>&1"); }

std::string xy(glm::dvec2 p) { return std::to_string((int)lround(p.x)) + " " + std::to_string((int)lround(p.y)); }

glm::dvec2 screen_point(const Window_Geometry& window, glm::vec3 eye, glm::vec3 target, glm::vec3 world) {
    const f32 settled_fov = 0.8726646f;   // 50 degrees
    glm::mat4 view = glm::lookAt(eye, target, glm::vec3(0, 0, 1));
    glm::mat4 projection = glm::perspective(settled_fov, (f32)(window.size.x / window.size.y), 0.1f, 100.0f);
    glm::vec4 clip = projection * view * glm::vec4(world, 1.0f);
    glm::dvec2 ndc(clip.x / clip.w, clip.y / clip.w);
    return window.origin + (ndc + 1.0) * 0.5 * window.size;
}

std::string pos_text(Pos p) { return "(" + std::to_string(p.x) + ", " + std::to_string(p.y) + ")"; }

Mouse_Event next_mouse_event(size_t from) {
    Mouse_Event event;
    event.at = wait_for_text("animation lock: ", from);
    if (event.at < 0) return event;
    event.lock = atoi(log_line(event.at).c_str() + strlen("animation lock: "));
    unsigned x = 0, y = 0;
    if (sscanf(log_line(event.at - 1).c_str(), "gp pos under cursor: (%u, %u)", &x, &y) == 2) event.cell = {(u8)x, (u8)y};
    return event;
}

Mouse_Event release_button(const std::string& moves) {
    size_t mark = log_size();
    xdotool(moves + "mouseup 1");
    return next_mouse_event(mark);
}

Mouse_Event drag_and_release(glm::dvec2 from, glm::dvec2 to) {
    std::string moves;
    for (int i = 1; i <= 4; i++) moves += "mousemove " + xy(from + (to - from) * (i / 4.0)) + " sleep 0.03 ";
    return release_button(moves);
}

Mouse_Event press_unlocked(glm::dvec2 at, Pos cell) {
    for (double end = seconds_now() + patience_s; seconds_now() < end;) {
        size_t mark = log_size();
        xdotool("mousemove " + xy(at) + " mousedown 1");
        Mouse_Event press = next_mouse_event(mark);
        if (press.at < 0) break;
        if (press.lock == 0) {
            EXPECT_EQ(pos_text(press.cell), pos_text(cell)) << "a press on the centre of a cell picked another";
            return press;
        }
        release_button();
        usleep(60000);
    }
    ADD_FAILURE() << "no unlocked press on " << pos_text(cell);
    return Mouse_Event{};
}

bool wait_until_unlocked(glm::dvec2 at, Pos empty_cell) {
    Mouse_Event press = press_unlocked(at, empty_cell);
    if (press.at < 0) return false;
    EXPECT_GE(wait_for_text("clicked on None", press.at), 0);
    Mouse_Event release = release_button();
    return release.at >= 0 && wait_for_text("released on None", release.at) >= 0;
}
