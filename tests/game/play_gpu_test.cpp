// The game binary played like a person: started from the run directory under a line-buffered standard
// output, watched through its log, driven with xdotool (press, drag, release, keys) and looked at in
// screenshots. The menu's red gem goes onto its finish and the first level loads; R restarts it;
// holding Escape reloads; closing the window ends the program with status 0.
#include <gtest/gtest.h>

#include <signal.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <glm/gtc/matrix_transform.hpp>

#include "game_harness.h"
#include "playing_field.h"

// Last: its macros (None, Bool) would clash with the game's names.
#include <X11/Xlib.h>

namespace {

// The running game and the lines of its log so far.
struct Game_Process {
    pid_t pid = -1;
    std::thread reader;
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::string> lines;
    bool ended = false;
};

Game_Process game;

void start_game_binary() {
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
    game.reader = std::thread([fd = out[0]] {
        FILE* stream = fdopen(fd, "r");
        char line[4096];
        while (fgets(line, sizeof(line), stream)) {
            // Echoed, so that the test's own output carries any validation report of the game.
            fputs(line, stdout);
            std::lock_guard<std::mutex> lock(game.mutex);
            game.lines.emplace_back(line);
            game.arrived.notify_all();
        }
        fclose(stream);
        std::lock_guard<std::mutex> lock(game.mutex);
        game.ended = true;
        game.arrived.notify_all();
    });
}

void stop_game_binary() {
    if (game.pid > 0) {
        kill(game.pid, SIGTERM);
        waitpid(game.pid, nullptr, 0);
        game.pid = -1;
    }
    if (game.reader.joinable()) game.reader.join();
}

// Asks the window to close the way a window manager's close button does: a WM_DELETE_WINDOW message.
void request_window_close(unsigned long window_id) {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window_id;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window_id, False, NoEventMask, &event);
    XFlush(display);
    XCloseDisplay(display);
}

// Exit status of the game once it has ended by itself within `seconds`; -1 when it did not.
int wait_for_exit(double seconds) {
    for (double end = seconds_now() + seconds; seconds_now() < end; usleep(50000)) {
        int status = 0;
        if (waitpid(game.pid, &status, WNOHANG) == game.pid) {
            game.pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
    }
    return -1;
}

size_t line_count() {
    std::lock_guard<std::mutex> lock(game.mutex);
    return game.lines.size();
}

// Index of the first line from `from` on that contains `text`; -1 when none arrives in time.
long wait_for_line(const std::string& text, size_t from, double seconds) {
    std::unique_lock<std::mutex> lock(game.mutex);
    double end = seconds_now() + seconds;
    size_t next = from;
    while (true) {
        for (; next < game.lines.size(); next++)
            if (game.lines[next].find(text) != std::string::npos) return (long)next;
        if (game.ended || seconds_now() > end) return -1;
        game.arrived.wait_for(lock, std::chrono::milliseconds(50));
    }
}

size_t count_lines(const std::string& text) {
    std::lock_guard<std::mutex> lock(game.mutex);
    size_t n = 0;
    for (const std::string& line : game.lines) n += line.find(text) != std::string::npos;
    return n;
}

std::string window_id;
glm::dvec2 origin;

// Screen point of a board cell for a board of the given size, through the camera every board scene
// settles to (eight units up, one unit towards row 0, 50 degrees), as the game's renderer maps it.
glm::dvec2 screen_of_cell(u32 width, u32 height, Pos cell) {
    glm::vec3 target(width * 0.5f, height * 0.5f, 0.0f);
    glm::mat4 view = glm::lookAt(target + glm::vec3(0, -1, 8), target, glm::vec3(0, 0, 1));
    glm::mat4 projection = glm::perspective(0.8726646f, 1600.0f / 900.0f, 0.1f, 100.0f);
    glm::vec4 clip = projection * view * glm::vec4(cell.x, cell.y, 0.0f, 1.0f);
    return origin + glm::dvec2((clip.x / clip.w + 1.0) * 800.0, (clip.y / clip.w + 1.0) * 450.0);
}

void xdo(const std::string& arguments) { shell("xdotool " + arguments + " 2>&1"); }

void move_to(glm::dvec2 p) { xdo("mousemove " + std::to_string((int)p.x) + " " + std::to_string((int)p.y)); }

// Presses on a cell until the game takes the press (the opening move locks input for a while);
// true when it picked up a gem of `colour`.
bool press_on(glm::dvec2 p, const std::string& colour) {
    double end = seconds_now() + 20.0;
    while (seconds_now() < end) {
        move_to(p);
        usleep(100000);
        size_t from = line_count();
        xdo("mousedown 1");
        long answer = wait_for_line("animation lock: ", from, 10.0);
        if (answer < 0) return false;
        if (wait_for_line("clicked on " + colour, from, 2.0) >= 0) return true;
        xdo("mouseup 1");
        usleep(400000);
    }
    return false;
}

// Moves with the button held in a few steps, as a hand would, then lets go.
void drag_to(glm::dvec2 from, glm::dvec2 to) {
    for (int i = 1; i <= 5; i++) {
        move_to(from + (to - from) * (i / 5.0));
        usleep(120000);
    }
    size_t from_line = line_count();
    wait_for_line("holding", from_line, 5.0);
    xdo("mouseup 1");
}

class Play : public ::testing::Test {
protected:
    static void SetUpTestSuite() { start_game_binary(); }
    static void TearDownTestSuite() {
        stop_game_binary();
        EXPECT_EQ(count_lines("Validation"), 0u);
        EXPECT_EQ(count_lines("Panic"), 0u);
    }
};

TEST_F(Play, MenuGemOntoItsFinishThenTheFirstLevelRestartsReloadsAndCloses) {
    ASSERT_GE(wait_for_line("call start_music", 0, 60.0), 0) << "the game did not start";
    ASSERT_GE(wait_for_line("NOT INDEX 0", 0, 60.0), 0) << "the main menu did not load";
    for (double end = seconds_now() + 30.0; window_id.empty() && seconds_now() < end; usleep(100000))
        window_id = shell("xdotool search --name '^morvu$' | head -n 1");
    ASSERT_FALSE(window_id.empty());
    window_id.pop_back();
    std::string geometry = shell("xdotool getwindowgeometry --shell " + window_id);
    auto field = [&](const char* name) {
        size_t at = geometry.find(std::string(name) + "=");
        return at == std::string::npos ? 0.0 : atof(geometry.c_str() + at + strlen(name) + 1);
    };
    origin = {field("X"), field("Y")};
    EXPECT_EQ(field("WIDTH"), 1600.0);
    EXPECT_EQ(field("HEIGHT"), 900.0);

    glm::dvec2 gem = screen_of_cell(10, 5, Pos{6, 2});
    glm::dvec2 finish = screen_of_cell(10, 5, Pos{5, 2});
    ASSERT_TRUE(press_on(gem, "Red")) << "the red gem could not be picked up";
    save_screenshot("play_menu_holding");
    size_t before_drop = line_count();
    drag_to(gem, finish);
    EXPECT_GE(wait_for_line("released    Red", before_drop, 10.0), 0);
    EXPECT_GE(wait_for_line("released on None", before_drop, 10.0), 0);
    ASSERT_GE(wait_for_line("NOT INDEX 0", before_drop, 15.0), 0) << "the first level did not load";

    // The first level: its red gem in the top-left cell of a 3 x 2 board (the picture is mirrored
    // vertically, so row 0 is at the top).
    glm::dvec2 level_gem = screen_of_cell(3, 2, Pos{0, 0});
    ASSERT_TRUE(press_on(level_gem, "Red")) << "the first level's gem could not be picked up";
    size_t before_move = line_count();
    drag_to(level_gem, screen_of_cell(3, 2, Pos{1, 0}));
    EXPECT_GE(wait_for_line("released on None", before_move, 10.0), 0);
    EXPECT_GE(wait_for_line("in the queue (initial move)", before_move, 10.0), 0);
    usleep(500000);
    Screenshot moved = save_screenshot("play_level_moved");
    glm::vec3 moved_cell = mean_colour(moved, screen_of_cell(3, 2, Pos{1, 0}), 3);
    EXPECT_GT(moved_cell.r, moved_cell.g + 30) << "the gem stands on (1, 0) after the move";

    // R restarts the level: the gem is back on (0, 0).
    size_t before_restart = line_count();
    xdo("windowfocus --sync " + window_id);
    xdo("key r");
    ASSERT_GE(wait_for_line("NOT INDEX 0", before_restart, 10.0), 0) << "R did not restart the level";
    usleep(1500000);
    Screenshot restarted = save_screenshot("play_level_restarted");
    glm::vec3 start_cell = mean_colour(restarted, level_gem, 3);
    EXPECT_GT(start_cell.r, start_cell.g + 30) << "the gem is back on (0, 0)";
    glm::vec3 empty_cell = mean_colour(restarted, screen_of_cell(3, 2, Pos{1, 0}), 3);
    EXPECT_LT(empty_cell.r, empty_cell.g + 30) << "(1, 0) is empty again";

    // Hovering the gem shows the red help picture.
    move_to(level_gem + glm::dvec2(3, 3));
    usleep(300000);
    move_to(level_gem);
    usleep(800000);
    Screenshot hover = save_screenshot("play_level_hover");
    // The help panel stands in the window's bottom-right corner, darker than the backdrop there.
    glm::dvec2 panel = origin + glm::dvec2(1500, 845);
    glm::vec3 with_help = mean_colour(hover, panel, 6);
    glm::vec3 without_help = mean_colour(restarted, panel, 6);
    EXPECT_LT(with_help.r + with_help.g + with_help.b, without_help.r + without_help.g + without_help.b - 60)
        << "no help picture while hovering the gem";

    // Holding Escape reloads the scene on every frame for as long as it is held.
    size_t loads = count_lines("NOT INDEX 0");
    xdo("keydown Escape");
    usleep(600000);
    xdo("keyup Escape");
    usleep(300000);
    EXPECT_GE(count_lines("NOT INDEX 0"), loads + 2) << "Escape did not reload the scene";

    // Closing the window ends the loop, and the program with status 0.
    request_window_close(strtoul(window_id.c_str(), nullptr, 10));
    EXPECT_EQ(wait_for_exit(20.0), 0) << "the game did not end when its window was closed";
}

}  // namespace
