// The whole game played through like a person would: the game binary is started from the run directory
// under a line-buffered standard output and driven only with xdotool. Every scene of the play order is
// built in-process from the same builders and solved there; each turn of the solution becomes a drag
// from the gem's cell to its neighbour, projected through the level camera as it stands once the
// opening move is over. The game's log must show the cell picked, the gem taken, the turn made and the
// board it leaves; a few screens are checked by their pixels; after the last level the main menu is back.
#include <gtest/gtest.h>

#include <ctype.h>
#include <signal.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <glm/gtc/matrix_transform.hpp>

#include "capture.h"
#include "game_harness.h"
#include "play_order.h"
#include "playing_field_print.h"

namespace {

// ---------------------------------------------------------------------------------------------------
// The game process and its log

struct Game_Process {
    pid_t pid = -1;
    std::thread reader;
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::string> lines;   // colour escapes removed
    bool ended = false;
};

Game_Process game;

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

// Only what a failing run needs in the test's own output; the whole log goes to PLAYTHROUGH_LOG.
bool worth_echoing(const std::string& line) {
    for (const char* word : {"Validation", "Panic", "Assertion", "Error", "error", "NOT INDEX 0"})
        if (line.find(word) != std::string::npos) return true;
    return false;
}

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
        FILE* log = fopen(PLAYTHROUGH_LOG, "w");
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

size_t line_count() {
    std::lock_guard<std::mutex> lock(game.mutex);
    return game.lines.size();
}

std::string line_at(long i) {
    std::lock_guard<std::mutex> lock(game.mutex);
    return i >= 0 && (size_t)i < game.lines.size() ? game.lines[i] : std::string();
}

// Index of the first line from `from` on that satisfies `wanted`; -1 when none comes in time or the
// game has ended.
long wait_for(const std::function<bool(const std::string&)>& wanted, size_t from, double seconds) {
    std::unique_lock<std::mutex> lock(game.mutex);
    double end = seconds_now() + seconds;
    for (size_t next = from;;) {
        for (; next < game.lines.size(); next++)
            if (wanted(game.lines[next])) return (long)next;
        if (game.ended || seconds_now() > end) return -1;
        game.arrived.wait_for(lock, std::chrono::milliseconds(20));
    }
}

long wait_for_text(const std::string& text, size_t from, double seconds) {
    return wait_for([&](const std::string& line) { return line.find(text) != std::string::npos; }, from, seconds);
}

size_t count_lines_with(const std::string& text) {
    std::lock_guard<std::mutex> lock(game.mutex);
    size_t n = 0;
    for (const std::string& line : game.lines) n += line.find(text) != std::string::npos;
    return n;
}

// ---------------------------------------------------------------------------------------------------
// The scenes as the game builds them

const char* const gem_names[8] = {"None", "Black", "Red", "Blue", "Yellow", "Purple", "Grey", "White"};

std::string name_of(Gem_Type type) { return gem_names[(u32)type < 8 ? (u32)type : 0]; }

std::string pos_text(Pos p) { return "(" + std::to_string(p.x) + ", " + std::to_string(p.y) + ")"; }

std::string turn_text(const Turn& turn) {
    static const char* const dirs[4] = {"Up", "Down", "Left", "Right"};
    return pos_text(turn.pos) + " " + dirs[(u32)turn.dir & 3];
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(without_escapes(line));
    return lines;
}

// The board's picture as the game's log prints it.
std::vector<std::string> board_picture(const Playing_Field* pf) {
    return split_lines(capture_print([&] { print_playing_field(print_stream, pf); }));
}

// ---------------------------------------------------------------------------------------------------
// The window, the camera and the mouse

struct Window {
    glm::dvec2 origin{0};
    glm::dvec2 size{0};
};

Window window_of_game;

bool find_window() {
    std::string id;
    for (double end = seconds_now() + 30.0; id.empty() && seconds_now() < end; usleep(100000))
        id = shell("xdotool search --name '^morvu$' 2>/dev/null | head -n 1");
    if (id.empty()) return false;
    id.pop_back();
    std::string geometry = shell("xdotool getwindowgeometry --shell " + id);
    // Lines such as "X=0" and "WIDTH=1600".
    auto field = [&](const std::string& name) {
        std::istringstream in(geometry);
        for (std::string line; std::getline(in, line);)
            if (line.rfind(name + "=", 0) == 0) return atof(line.c_str() + name.size() + 1);
        return -1.0;
    };
    window_of_game = {{field("X"), field("Y")}, {field("WIDTH"), field("HEIGHT")}};
    return window_of_game.size.x > 0 && window_of_game.size.y > 0;
}

// The field of view every scene settles at once its opening move is over (55 down to 50 degrees).
constexpr f32 settled_fov = 0.8726646f;

// Screen point of a world point through the scene's camera, the way the game's renderer maps it: no
// flip of y, so the window's y grows with the clip-space y.
glm::dvec2 screen_point(const Scene* scene, glm::vec3 world) {
    glm::mat4 view = glm::lookAt(scene->camera_position, scene->camera_target, glm::vec3(0, 0, 1));
    glm::mat4 projection = glm::perspective(
        settled_fov, (f32)window_of_game.size.x / (f32)window_of_game.size.y, 0.1f, 100.0f);
    glm::vec4 clip = projection * view * glm::vec4(world, 1.0f);
    glm::dvec2 ndc(clip.x / clip.w, clip.y / clip.w);
    return window_of_game.origin + (ndc + 1.0) * 0.5 * window_of_game.size;
}

glm::dvec2 cell_centre(const Scene* scene, Pos cell) { return screen_point(scene, glm::vec3(cell.x, cell.y, 0)); }

std::string xy(glm::dvec2 p) { return std::to_string((int)lround(p.x)) + " " + std::to_string((int)lround(p.y)); }

void xdotool(const std::string& arguments) { shell("xdotool " + arguments + " 2>&1"); }

// One mouse-button event as the game logged it.
struct Mouse_Event {
    long at = -1;   // the "animation lock" line
    Pos cell{};
    int lock = -1;
};

Mouse_Event next_mouse_event(size_t from, double seconds = 20.0) {
    Mouse_Event event;
    event.at = wait_for_text("animation lock: ", from, seconds);
    if (event.at < 0) return event;
    event.lock = atoi(line_at(event.at).c_str() + strlen("animation lock: "));
    unsigned x = 0, y = 0;
    if (sscanf(line_at(event.at - 1).c_str(), "gp pos under cursor: (%u, %u)", &x, &y) == 2)
        event.cell = {(u8)x, (u8)y};
    return event;
}

// Runs `moves` (xdotool commands, with the button held) and lets go; returns the release as logged.
Mouse_Event release_button(const std::string& moves = "") {
    size_t mark = line_count();
    xdotool(moves + "mouseup 1");
    return next_mouse_event(mark);
}

// Presses on a cell until the game takes the press unlocked (scene openings and turn animations lock
// input); the press must land on `cell`. A locked press picks nothing and its release is harmless.
// Returns the unlocked press, or an event with `at` -1.
Mouse_Event press_unlocked(glm::dvec2 at, Pos cell, double seconds = 30.0) {
    for (double end = seconds_now() + seconds; seconds_now() < end;) {
        size_t mark = line_count();
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
    ADD_FAILURE() << "no unlocked press on " << pos_text(cell) << " within " << seconds << " s";
    return Mouse_Event{};
}

// Waits until input is unlocked with a press and release on an empty cell, which picks nothing up.
bool wait_until_unlocked(const Scene* scene, Pos empty_cell) {
    Mouse_Event press = press_unlocked(cell_centre(scene, empty_cell), empty_cell);
    if (press.at < 0) return false;
    EXPECT_GE(wait_for_text("clicked on None", press.at, 5.0), 0);
    Mouse_Event release = release_button();
    return release.at >= 0 && wait_for_text("released on None", release.at, 5.0) >= 0;
}

Pos some_empty_cell(const Playing_Field* pf) {
    for (u32 y = 0; y < pf->height; y++)
        for (u32 x = 0; x < pf->width; x++)
            if (get_gem_index_at(pf, Pos{(u8)x, (u8)y}) == 0) return Pos{(u8)x, (u8)y};
    return Pos{0, 0};
}

// ---------------------------------------------------------------------------------------------------
// One turn by mouse

// The printed board that ends just before line `end`: the last picture of the turn's verbose log.
std::vector<std::string> printed_board_before(long end, size_t rows) {
    std::vector<std::string> block;
    for (long i = end - (long)rows; i < end; i++) block.push_back(line_at(i));
    return block;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += "  " + line + "\n";
    return text;
}

// Drags the gem of `turn` onto its neighbour and checks that the game made that turn and that its
// board afterwards is `after` (the in-process resolution of the same turn). `finishes` says whether
// the turn solves the level; the next scene's load is then awaited.
bool play_turn(const Scene* scene, const Playing_Field* before, const Turn& turn, const Playing_Field* after,
               bool finishes) {
    Pos from = turn.pos, to = destination_of(turn);
    std::string colour = name_of(before->gems.data[get_gem_index_at(before, from)].type);
    glm::dvec2 a = cell_centre(scene, from), b = cell_centre(scene, to);

    Mouse_Event press = press_unlocked(a, from);
    if (press.at < 0 || !(press.cell == from)) return false;
    long clicked = wait_for_text("clicked on ", press.at, 5.0);
    if (clicked < 0 || line_at(clicked) != "clicked on " + colour) {
        ADD_FAILURE() << "pressing " << pos_text(from) << " should pick up " << colour << ", log: " << line_at(clicked);
        release_button();
        return false;
    }

    // The hand moves in a few steps with the button held, then lets go.
    std::string moves;
    for (int i = 1; i <= 4; i++) moves += "mousemove " + xy(a + (b - a) * (i / 4.0)) + " sleep 0.03 ";
    Mouse_Event release = release_button(moves);
    if (release.at < 0) {
        ADD_FAILURE() << "the release logged nothing";
        return false;
    }
    EXPECT_EQ(release.lock, 0) << "input locked while holding a gem";
    EXPECT_EQ(pos_text(release.cell), pos_text(to)) << "the release over a cell's centre picked another";
    long released = wait_for_text("released    ", release.at, 5.0);
    EXPECT_EQ(line_at(released), "released    " + colour);

    long outcome = wait_for(
        [](const std::string& line) {
            return line.find("in the queue (initial move)") != std::string::npos || line == "not gonna move fam";
        },
        release.at, 5.0);
    if (outcome < 0 || line_at(outcome) == "not gonna move fam") {
        // A refused turn prints the board it kept.
        size_t rows = board_picture(before).size();
        ADD_FAILURE() << "the game did not take the turn " << turn_text(turn) << "; its board:\n"
                      << joined(printed_board_before(outcome < 0 ? 0 : outcome + 1 + (long)rows, rows))
                      << "expected before the turn:\n" << joined(board_picture(before));
        return false;
    }
    char expected_start[64];
    snprintf(expected_start, sizeof(expected_start), "(%d %d) in the queue (initial move)", to.x, to.y);
    EXPECT_NE(line_at(outcome).find(expected_start), std::string::npos)
        << "turn " << turn_text(turn) << " logged: " << line_at(outcome);

    // The end of the turn's log: its closing blank line, or for a solving turn the next scene's load.
    long end = finishes ? wait_for_text("NOT INDEX 0", outcome, 60.0)
                        : wait_for([](const std::string& line) { return line.empty(); }, outcome, 20.0);
    if (end < 0) {
        ADD_FAILURE() << (finishes ? "the next scene did not load after " : "no end of the turn's log after ")
                      << turn_text(turn);
        return false;
    }
    std::vector<std::string> expected = board_picture(after);
    std::vector<std::string> printed;
    if (finishes) {
        // The board is printed before the level's end; find its first line above the load.
        long top = end;
        while (top > outcome && line_at(top) != expected.front()) top--;
        printed = printed_board_before(top + (long)expected.size(), expected.size());
    } else {
        printed = printed_board_before(end, expected.size());
    }
    if (printed != expected) {
        ADD_FAILURE() << "after " << turn_text(turn) << " the game's board differs from the rules' resolution\n"
                      << "game:\n" << joined(printed) << "expected:\n" << joined(expected);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------
// The screen

// Whether the mean colour around a cell's centre looks like a gem of this colour under the level
// light (lit and shaded faces both count). Black gems are as dark as the board's shaded corners and are
// not judged; grey and white differ only in brightness, which the light changes as much.
bool looks_like(Gem_Type type, glm::vec3 c) {
    f32 low = glm::min(c.r, glm::min(c.g, c.b)), high = glm::max(c.r, glm::max(c.g, c.b));
    switch (type) {
    case Gem_Type::Red: return c.r > 100 && c.r > 1.8f * c.g && c.r > 1.8f * c.b;
    case Gem_Type::Blue: return c.b > 1.5f * c.r && c.g > 1.2f * c.r;
    case Gem_Type::Yellow: return c.r >= c.g && c.g > 1.5f * c.b && c.r > 1.8f * c.b;
    case Gem_Type::Purple: return c.b > 1.3f * c.g && c.r > 1.2f * c.g;
    case Gem_Type::Grey:
    case Gem_Type::White: return low > 120 && high - low < 40;
    default: return true;
    }
}

bool is_finish_cell(const Playing_Field* pf, Pos cell) {
    for (u32 i = 0; i < pf->finishes.count; i++)
        if (pf->finishes.data[i].pos == cell) return true;
    return false;
}

// The screens looked at: the menu, one level in the middle of its solution, the last level. With
// MORVU_PLAYTHROUGH_EVERY_SCREEN set, every level at its start and after each turn but the solving one
// (the run then takes about ten minutes instead of four).
bool screen_checked_after(const Scene* scene, size_t turns_played, size_t turns) {
    std::string name = scene->name;
    if (getenv("MORVU_PLAYTHROUGH_EVERY_SCREEN")) return turns_played < turns;
    return (name == "main_menu" && turns_played == 0) || (name == "poggie_woggie" && turns_played == 13) ||
           (name == "zindo_fun_time" && turns_played == 0);
}

// Once the board is at rest (input unlocked), every gem shows its colour on its cell and every empty
// cell shows the backdrop: neither a gem colour nor the black clear colour.
void check_screen(const Scene* scene, const Playing_Field* board, const std::string& when) {
    ASSERT_TRUE(wait_until_unlocked(scene, some_empty_cell(board)));
    Screenshot shot = save_screenshot(std::string(scene->name) + "_" + when);
    ASSERT_GT(shot.width, 0u) << "no screenshot";
    for (u32 y = 0; y < board->height; y++)
        for (u32 x = 0; x < board->width; x++) {
            Pos cell{(u8)x, (u8)y};
            glm::vec3 c = mean_colour(shot, cell_centre(scene, cell), 4);
            std::string seen =
                std::to_string((int)c.r) + " " + std::to_string((int)c.g) + " " + std::to_string((int)c.b);
            Gem_Type type = board->gems.data[get_gem_index_at(board, cell)].type;
            if (type != Gem_Type::None) {
                EXPECT_TRUE(looks_like(type, c)) << when << ": " << name_of(type) << " gem on " << pos_text(cell)
                                                 << " but the screen shows " << seen;
            } else if (!is_finish_cell(board, cell)) {
                bool gem_like = false;
                for (Gem_Type t : {Gem_Type::Red, Gem_Type::Blue, Gem_Type::Yellow, Gem_Type::Purple, Gem_Type::Grey})
                    gem_like = gem_like || looks_like(t, c);
                EXPECT_FALSE(gem_like) << when << ": empty cell " << pos_text(cell) << " shows a gem colour " << seen;
                EXPECT_GT(c.r + c.g + c.b, 40.0f) << when << ": empty cell " << pos_text(cell) << " shows " << seen;
            }
        }
}

}  // namespace

// ---------------------------------------------------------------------------------------------------

class Playthrough : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ensure_printer();
        register_playing_field_printers();
        build_play_order();
        start_game_binary();
    }
    static void TearDownTestSuite() {
        stop_game_binary();
        EXPECT_EQ(count_lines_with("Validation"), 0u);
        EXPECT_EQ(count_lines_with("Panic"), 0u);
        EXPECT_EQ(count_lines_with("Assertion"), 0u);
    }
};

TEST_F(Playthrough, FromTheMenuThroughEveryLevelBackToTheMenu) {
    ASSERT_EQ(Scene_Registry.count, 21u);
    ASSERT_GE(wait_for_text("NOT INDEX 0", 0, 120.0), 0) << "the main menu did not load";
    ASSERT_TRUE(find_window()) << "no window named morvu";
    EXPECT_EQ(window_of_game.size, glm::dvec2(1600, 900));

    const Scene* menu = Scene_Registry.data[1];
    double start = seconds_now();
    u32 played_turns = 0;
    for (u32 id = 1; id < Scene_Registry.count; id++) {
        const Scene* scene = Scene_Registry.data[id];
        SCOPED_TRACE(scene->name);
        double level_start = seconds_now();
        std::vector<Turn> turns = turns_that_finish(scene);
        ASSERT_FALSE(turns.empty()) << "no solution found";

        Playing_Field board;
        copy_playing_field(&board, &scene->field);
        if (screen_checked_after(scene, 0, turns.size())) check_screen(scene, &board, "start");
        bool ok = true;
        for (size_t k = 0; k < turns.size() && ok; k++) {
            Playing_Field after;
            simulate_turn(&after, &board, &turns[k]);
            ok = play_turn(scene, &board, turns[k], &after, k + 1 == turns.size());
            free_playing_field(&board);
            board = after;
            if (ok && screen_checked_after(scene, k + 1, turns.size()))
                check_screen(scene, &board, "turn_" + std::to_string(k + 1));
        }
        free_playing_field(&board);
        ASSERT_TRUE(ok) << "scene " << id << " could not be played through";
        played_turns += (u32)turns.size();
        printf("scene %2u %-24s %2zu turns %6.1f s\n", id, scene->name, turns.size(), seconds_now() - level_start);
    }
    printf("played %u turns in %.1f s\n", played_turns, seconds_now() - start);

    // Back on the main menu: its gem stands on its own cell again and is the one that picking finds.
    check_screen(menu, &menu->field, "again");
    Mouse_Event press = press_unlocked(cell_centre(menu, Pos{6, 2}), Pos{6, 2});
    ASSERT_GE(press.at, 0);
    EXPECT_GE(wait_for_text("clicked on Red", press.at, 5.0), 0);
    Mouse_Event release = release_button();
    long refused = wait_for_text("not gonna move fam", release.at, 5.0);
    ASSERT_GE(refused, 0) << "dropping the gem on its own cell is no turn";
    std::vector<std::string> expected = board_picture(&menu->field);
    // The board follows the refusal; its closing blank line says it is complete.
    long end = wait_for([](const std::string& line) { return line.empty(); }, refused, 5.0);
    std::vector<std::string> printed = printed_board_before(end, expected.size());
    EXPECT_EQ(printed, expected) << "the live board is not the main menu's";
}
