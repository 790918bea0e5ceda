// GPU test harness for the game binary: started from the run directory under a line-buffered standard
// output, its log read as it is written, its window found on the X screen, driven with xdotool, and
// its mouse presses and releases judged by what it logs about them.
#pragma once

#include "playing_field.h"
#include "screen.h"

// Starts ./morvu. Its whole log goes to NAME.log in the tests' picture folder; the lines a failing run
// needs (validation reports, panics, assertions, errors, scene loads) are echoed to standard output.
void start_game_process(const std::string& name);
// Ends the game with SIGTERM if it still runs.
void stop_game_process();
// The game's exit status once it has ended by itself; -1 when it has not within patience.
int wait_for_game_exit();

// A line of the log without its colour escapes and line end.
std::string without_escapes(const std::string& raw);
// The log so far, colour escapes and line ends removed.
size_t log_size();
std::string log_line(long i);   // empty when there is no such line
// Index of the first line from `from` on that satisfies `wanted`; -1 when none comes within patience
// or the game has ended.
long wait_for_line(const std::function<bool(const std::string&)>& wanted, size_t from);
long wait_for_text(const std::string& text, size_t from);
size_t count_lines_with(const std::string& text);

// The game window once it is there; size zero when it does not come within patience.
Window_Geometry wait_for_game_window();
void xdotool(const std::string& arguments);
// "X Y" of a screen point, for xdotool.
std::string xy(glm::dvec2 p);
// Screen point of a world point through a camera at `eye` looking at `target` with the field of view
// every scene settles at once its opening move is over, mapped as the game's renderer maps it (no flip
// of y).
glm::dvec2 screen_point(const Window_Geometry& window, glm::vec3 eye, glm::vec3 target, glm::vec3 world);
// "(x, y)", as the log prints a cell.
std::string pos_text(Pos p);

// One mouse-button event as the game logged it.
struct Mouse_Event {
    long at = -1;   // its "animation lock" line; -1 when none came
    Pos cell{};     // the cell under the cursor
    int lock = -1;
};
Mouse_Event next_mouse_event(size_t from);
// Runs `moves` (xdotool commands, with the button held) and lets go; returns the release as logged.
Mouse_Event release_button(const std::string& moves = "");
// Moves from one point to another with the button held, in a few steps as a hand would, and lets go.
Mouse_Event drag_and_release(glm::dvec2 from, glm::dvec2 to);
// Presses on a cell until the game takes the press unlocked (scene openings and turn animations lock
// input); the press must land on `cell`. A locked press picks nothing and its release is harmless.
// Returns the unlocked press, or an event with `at` -1.
Mouse_Event press_unlocked(glm::dvec2 at, Pos cell);
// Waits until input is unlocked with a press and a release on an empty cell, which pick nothing up.
bool wait_until_unlocked(glm::dvec2 at, Pos empty_cell);
