// The game binary played like a person: started from the run directory under a line-buffered standard
// output, watched through its log, driven with xdotool (press, drag, release, keys) and looked at in
// screenshots. The menu's red gem goes onto its finish and the first level loads; R restarts it;
// holding Escape reloads; closing the window ends the program with status 0.
#include <gtest/gtest.h>

#include "game_process.h"

// Last: its macros (None, Bool) would clash with the game's names.
#include <X11/Xlib.h>

namespace {

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

Window_Geometry game_window;

// Screen point of a board cell for a board of the given size, through the camera every board scene
// settles to (eight units up, one unit towards row 0).
glm::dvec2 screen_of_cell(u32 width, u32 height, Pos cell) {
    glm::vec3 target(width * 0.5f, height * 0.5f, 0.0f);
    return screen_point(game_window, target + glm::vec3(0, -1, 8), target, glm::vec3(cell.x, cell.y, 0));
}

// The screen once `ready` holds of it; the game presents its frames a little before the X server shows them.
Screenshot screen_when(const std::function<bool(const Screenshot&)>& ready) { return settled(capture_screen, ready); }

bool red_on(const Screenshot& shot, glm::dvec2 at) {
    glm::vec3 c = shot.mean(at, 3);
    return c.r > c.g + 30;
}

class Play : public ::testing::Test {
protected:
    static void SetUpTestSuite() { start_game_process("play"); }
    static void TearDownTestSuite() {
        stop_game_process();
        EXPECT_EQ(count_lines_with("Validation"), 0u);
        EXPECT_EQ(count_lines_with("Panic"), 0u);
    }
};

TEST_F(Play, MenuGemOntoItsFinishThenTheFirstLevelRestartsReloadsAndCloses) {
    ASSERT_GE(wait_for_text("call start_music", 0), 0) << "the game did not start";
    ASSERT_GE(wait_for_text("NOT INDEX 0", 0), 0) << "the main menu did not load";
    game_window = wait_for_game_window();
    ASSERT_FALSE(game_window.id.empty()) << "no window named morvu";
    EXPECT_EQ(game_window.size, glm::dvec2(1600, 900));

    glm::dvec2 gem = screen_of_cell(10, 5, Pos{6, 2});
    Mouse_Event press = press_unlocked(gem, Pos{6, 2});
    ASSERT_GE(press.at, 0);
    EXPECT_EQ(log_line(wait_for_text("clicked on ", press.at)), "clicked on Red");
    save_png(capture_screen(), "play_menu_holding");
    Mouse_Event release = drag_and_release(gem, screen_of_cell(10, 5, Pos{5, 2}));
    ASSERT_GE(release.at, 0) << "the release logged nothing";
    EXPECT_EQ(log_line(wait_for_text("released    ", release.at)), "released    Red");
    EXPECT_EQ(log_line(wait_for_text("released on ", release.at)), "released on None");
    ASSERT_GE(wait_for_text("NOT INDEX 0", release.at), 0) << "the first level did not load";

    // The first level: its red gem in the top-left cell of a 3 x 2 board (the picture is mirrored
    // vertically, so row 0 is at the top); (0, 1) stays empty.
    glm::dvec2 level_gem = screen_of_cell(3, 2, Pos{0, 0}), next_cell = screen_of_cell(3, 2, Pos{1, 0});
    glm::dvec2 empty_cell = screen_of_cell(3, 2, Pos{0, 1});
    press = press_unlocked(level_gem, Pos{0, 0});
    ASSERT_GE(press.at, 0);
    EXPECT_EQ(log_line(wait_for_text("clicked on ", press.at)), "clicked on Red");
    release = drag_and_release(level_gem, next_cell);
    ASSERT_GE(release.at, 0) << "the release logged nothing";
    EXPECT_GE(wait_for_text("released on None", release.at), 0);
    EXPECT_GE(wait_for_text("in the queue (initial move)", release.at), 0);
    // Input unlocks once the move's animation has ended.
    ASSERT_TRUE(wait_until_unlocked(empty_cell, Pos{0, 1}));
    Screenshot moved = screen_when([&](const Screenshot& s) { return red_on(s, next_cell); });
    save_png(moved, "play_level_moved");
    EXPECT_TRUE(red_on(moved, next_cell)) << "the gem stands on (1, 0) after the move";

    // R restarts the level: the gem is back on (0, 0).
    size_t before_restart = log_size();
    xdotool("windowfocus --sync " + game_window.id + " key r");
    ASSERT_GE(wait_for_text("NOT INDEX 0", before_restart), 0) << "R did not restart the level";
    ASSERT_TRUE(wait_until_unlocked(empty_cell, Pos{0, 1}));
    auto restarted_board = [&](const Screenshot& s) { return red_on(s, level_gem) && !red_on(s, next_cell); };
    Screenshot restarted = screen_when(restarted_board);
    save_png(restarted, "play_level_restarted");
    EXPECT_TRUE(red_on(restarted, level_gem)) << "the gem is back on (0, 0)";
    EXPECT_FALSE(red_on(restarted, next_cell)) << "(1, 0) is empty again";

    // Hovering the gem shows the red help picture. Its panel stands in the window's bottom-right
    // corner, darker than the backdrop there.
    glm::dvec2 panel = game_window.origin + glm::dvec2(1500, 845);
    glm::vec3 without = restarted.mean(panel, 6);
    auto help_shown = [&](const Screenshot& s) {
        glm::vec3 with = s.mean(panel, 6);
        return s.width > 0 && with.r + with.g + with.b < without.r + without.g + without.b - 60;
    };
    xdotool("mousemove " + xy(level_gem + 3.0) + " sleep 0.1 mousemove " + xy(level_gem));
    Screenshot hover = screen_when(help_shown);
    save_png(hover, "play_level_hover");
    EXPECT_TRUE(help_shown(hover)) << "no help picture while hovering the gem";

    // Holding Escape reloads the scene on every frame for as long as it is held: two loads come while
    // it is down, and after it is up the opening move ends in peace.
    size_t before_escape = log_size();
    xdotool("keydown Escape");
    long first = wait_for_text("NOT INDEX 0", before_escape);
    long second = first < 0 ? -1 : wait_for_text("NOT INDEX 0", first + 1);
    xdotool("keyup Escape");
    EXPECT_GE(second, 0) << "Escape did not reload the scene frame after frame";
    EXPECT_TRUE(wait_until_unlocked(empty_cell, Pos{0, 1})) << "the reloads went on after Escape was let go";

    // Closing the window ends the loop, and the program with status 0.
    request_window_close(strtoul(game_window.id.c_str(), nullptr, 10));
    EXPECT_EQ(wait_for_game_exit(), 0) << "the game did not end when its window was closed";
}

}  // namespace
