// The whole game played through like a person would: the game binary is started from the run directory
// under a line-buffered standard output and driven only with xdotool. Every scene of the play order is
// built in-process from the same builders and solved there; each turn of the solution becomes a drag
// from the gem's cell to its neighbour, projected through the level camera as it stands once the
// opening move is over. The game's log must show the cell picked, the gem taken, the turn made and the
// board it leaves; a few screens are checked by their pixels; after the last level the main menu is back.
#include <gtest/gtest.h>

#include <sstream>

#include "capture.h"
#include "game_process.h"
#include "play_order.h"
#include "playing_field_print.h"

namespace {

// ---------------------------------------------------------------------------------------------------
// The scenes as the game builds them

const char* const gem_names[8] = {"None", "Black", "Red", "Blue", "Yellow", "Purple", "Grey", "White"};

std::string name_of(Gem_Type type) { return gem_names[(u32)type < 8 ? (u32)type : 0]; }

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
// The window and the camera

Window_Geometry game_window;

// Screen point of a cell through the scene's camera as it stands once its opening move is over.
glm::dvec2 cell_centre(const Scene* scene, Pos cell) {
    return screen_point(game_window, scene->camera_position, scene->camera_target, glm::vec3(cell.x, cell.y, 0));
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
    for (long i = end - (long)rows; i < end; i++) block.push_back(log_line(i));
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
    long clicked = wait_for_text("clicked on ", press.at);
    if (clicked < 0 || log_line(clicked) != "clicked on " + colour) {
        ADD_FAILURE() << "pressing " << pos_text(from) << " should pick up " << colour << ", log: " << log_line(clicked);
        release_button();
        return false;
    }

    Mouse_Event release = drag_and_release(a, b);
    if (release.at < 0) {
        ADD_FAILURE() << "the release logged nothing";
        return false;
    }
    EXPECT_EQ(release.lock, 0) << "input locked while holding a gem";
    EXPECT_EQ(pos_text(release.cell), pos_text(to)) << "the release over a cell's centre picked another";
    long released = wait_for_text("released    ", release.at);
    EXPECT_EQ(log_line(released), "released    " + colour);

    long outcome = wait_for_line(
        [](const std::string& line) {
            return line.find("in the queue (initial move)") != std::string::npos || line == "not gonna move fam";
        },
        release.at);
    if (outcome < 0 || log_line(outcome) == "not gonna move fam") {
        // A refused turn prints the board it kept.
        size_t rows = board_picture(before).size();
        ADD_FAILURE() << "the game did not take the turn " << turn_text(turn) << "; its board:\n"
                      << joined(printed_board_before(outcome < 0 ? 0 : outcome + 1 + (long)rows, rows))
                      << "expected before the turn:\n" << joined(board_picture(before));
        return false;
    }
    char expected_start[64];
    snprintf(expected_start, sizeof(expected_start), "(%d %d) in the queue (initial move)", to.x, to.y);
    EXPECT_NE(log_line(outcome).find(expected_start), std::string::npos)
        << "turn " << turn_text(turn) << " logged: " << log_line(outcome);

    // The end of the turn's log: its closing blank line, or for a solving turn the next scene's load.
    long end = finishes ? wait_for_text("NOT INDEX 0", outcome)
                        : wait_for_line([](const std::string& line) { return line.empty(); }, outcome);
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
        while (top > outcome && log_line(top) != expected.front()) top--;
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

// What differs from a board at rest on the screen: every gem shows its colour on its cell and every
// empty cell shows the backdrop, neither a gem colour nor the black clear colour.
std::string screen_differences(const Screenshot& shot, const Scene* scene, const Playing_Field* board) {
    if (shot.width == 0) return "no screenshot";
    std::string differences;
    for (u32 y = 0; y < board->height; y++)
        for (u32 x = 0; x < board->width; x++) {
            Pos cell{(u8)x, (u8)y};
            glm::vec3 c = shot.mean(cell_centre(scene, cell), 4);
            std::string seen =
                std::to_string((int)c.r) + " " + std::to_string((int)c.g) + " " + std::to_string((int)c.b);
            Gem_Type type = board->gems.data[get_gem_index_at(board, cell)].type;
            if (type != Gem_Type::None) {
                if (!looks_like(type, c))
                    differences += name_of(type) + " gem on " + pos_text(cell) + " but the screen shows " + seen + "\n";
            } else if (!is_finish_cell(board, cell)) {
                bool gem_like = false;
                for (Gem_Type t : {Gem_Type::Red, Gem_Type::Blue, Gem_Type::Yellow, Gem_Type::Purple, Gem_Type::Grey})
                    gem_like = gem_like || looks_like(t, c);
                if (gem_like) differences += "empty cell " + pos_text(cell) + " shows a gem colour " + seen + "\n";
                if (c.r + c.g + c.b <= 40.0f) differences += "empty cell " + pos_text(cell) + " shows " + seen + "\n";
            }
        }
    return differences;
}

// Once input is unlocked the board is at rest, and the screen shows it as soon as the X server has the
// game's latest frames.
void check_screen(const Scene* scene, const Playing_Field* board, const std::string& when) {
    Pos empty = some_empty_cell(board);
    ASSERT_TRUE(wait_until_unlocked(cell_centre(scene, empty), empty));
    Screenshot shot = settled(capture_screen, [&](const Screenshot& s) { return screen_differences(s, scene, board).empty(); });
    save_png(shot, std::string(scene->name) + "_" + when);
    EXPECT_EQ(screen_differences(shot, scene, board), "") << when;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------

class Playthrough : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ensure_printer();
        register_playing_field_printers();
        build_play_order();
        start_game_process("playthrough");
    }
    static void TearDownTestSuite() {
        stop_game_process();
        EXPECT_EQ(count_lines_with("Validation"), 0u);
        EXPECT_EQ(count_lines_with("Panic"), 0u);
        EXPECT_EQ(count_lines_with("Assertion"), 0u);
    }
};

TEST_F(Playthrough, FromTheMenuThroughEveryLevelBackToTheMenu) {
    ASSERT_EQ(Scene_Registry.count, 21u);
    ASSERT_GE(wait_for_text("NOT INDEX 0", 0), 0) << "the main menu did not load";
    game_window = wait_for_game_window();
    ASSERT_FALSE(game_window.id.empty()) << "no window named morvu";
    EXPECT_EQ(game_window.size, glm::dvec2(1600, 900));

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
    EXPECT_GE(wait_for_text("clicked on Red", press.at), 0);
    Mouse_Event release = release_button();
    long refused = wait_for_text("not gonna move fam", release.at);
    ASSERT_GE(refused, 0) << "dropping the gem on its own cell is no turn";
    std::vector<std::string> expected = board_picture(&menu->field);
    // The board follows the refusal; its closing blank line says it is complete.
    long end = wait_for_line([](const std::string& line) { return line.empty(); }, refused);
    std::vector<std::string> printed = printed_board_before(end, expected.size());
    EXPECT_EQ(printed, expected) << "the live board is not the main menu's";
}
