// Puzzle rules: the board model, turn resolution through the trigger queue, the legal-move listing,
// the finish test and the random-board helpers. Pure CPU code; the animations are only asked for
// when a turn is given a scheduler.
#pragma once

#include "vek/memory.h"

struct Scheduler;

enum class Gem_Type : u32 {
    None = 0,
    Black = 1,
    Red = 2,
    Blue = 3,
    Yellow = 4,
    Purple = 5,
    Grey = 6,
    White = 7,
};

// A cell: x in the low byte, y in the high byte. Steps wrap within the byte, so a step off the low
// edge lands on 255, which the bounds test rejects.
struct Pos {
    u8 x;
    u8 y;
    bool operator==(const Pos&) const = default;
};

// One step of a player move. Rules walk directions in another order (Up, Right, Down, Left).
enum class Flip_Dir : u8 {
    Up = 0,      // y + 1
    Down = 1,    // y - 1
    Left = 2,    // x - 1
    Right = 3,   // x + 1
};

struct Turn {
    Pos pos;
    Flip_Dir dir;
};

struct Gem {
    Gem_Type type;
    u8 x, y;
    u8 triggered;          // queued during the current turn
    u8 start_x, start_y;   // cell at the start of the current turn (the blue rule returns there)
    u32 triggered_by;      // gem index that queued this one this turn; 0 = nobody
};

struct Finish {
    Pos pos;
    Gem_Type type;
};

// Gem 0 is an empty placeholder, so a cell holding 0 is empty and gem indices never change.
struct Playing_Field {
    Array_List<Finish> finishes;
    u32 width;
    u32 height;
    Array_List<Gem> gems;
    u32* cells;   // width * height gem indices, cell (x, y) at y * width + x
    Array_List<u32> queue;
    u32 queue_head;
};

struct Solution {
    u8 found;
    Array_List<Turn> turns;
};

// The running start time of a turn's animations, in seconds from the moment of the turn.
struct Anim_Cursor {
    f32 time;
};

// Blocks mouse presses while a turn animates (and during scene changes).
extern u8 animation_lock;

// Share of the cells that the random board helpers fill.
extern f32 gem_fill_ratio;

inline Pos gem_pos(const Gem* gem) { return Pos{gem->x, gem->y}; }
inline Pos gem_start_pos(const Gem* gem) { return Pos{gem->start_x, gem->start_y}; }
inline void set_gem_pos(Gem* gem, Pos pos) {
    gem->x = pos.x;
    gem->y = pos.y;
}

// Board model.
void init_playing_field(Playing_Field* pf);
void free_playing_field(Playing_Field* pf);
void copy_playing_field(Playing_Field* out, const Playing_Field* src);
void create_gem_at_pos(Playing_Field* pf, Pos pos, Gem_Type type);
bool is_in_bounds(const Playing_Field* pf, Pos pos);
u32 get_gem_index_at(const Playing_Field* pf, Pos pos);
Gem* get_gem_at(Playing_Field* pf, Pos pos);
bool is_cell_empty(const Playing_Field* pf, Pos pos);
void clear_cell(Playing_Field* pf, Pos pos);
bool has_gem_of_type(const Playing_Field* pf, Gem_Type type);
bool is_pushable_type(const Playing_Field* pf, u32 gem);
bool is_player_movable_type(const Playing_Field* pf, u32 gem);
// Up, Right, Down, Left; 0 where the cell is off the board or empty.
void get_neighbours(const Playing_Field* pf, Pos pos, u32 out[4]);

// Turn resolution.
f32 do_turn(Playing_Field* pf, const Turn* turn, bool verbose, Scheduler* sched);
void put_in_queue(Playing_Field* pf, u32 source, u32 gem, bool verbose);
void trigger_neighbours(Playing_Field* pf, Pos pos, bool verbose);
void apply_gem_rule(Playing_Field* pf, u32 gem, bool verbose, Scheduler* sched, Anim_Cursor* cursor);
void red_push(Playing_Field* pf, Pos pos, bool verbose, Scheduler* sched, Anim_Cursor* cursor);
void yellow_pull(Playing_Field* pf, Pos pos, bool verbose, Scheduler* sched, Anim_Cursor* cursor);
void blue_teleport_back(Playing_Field* pf, Pos pos, bool verbose, Scheduler* sched, Anim_Cursor* cursor);
void purple_swap(Playing_Field* pf, Pos pos, bool verbose, Scheduler* sched, Anim_Cursor* cursor);
void unlock_animation_action();

// Listing, finish test, simulation.
void list_possible_turns(const Playing_Field* pf, Array_List<Turn>* out);
void list_turns_for_gem(const Playing_Field* pf, const Gem* gem, Array_List<Turn>* out);
bool is_solved(const Playing_Field* pf);
// Resolves the turn on a copy of pf, silently and without animation; the caller frees the copy.
Playing_Field* simulate_turn(Playing_Field* out, const Playing_Field* pf, const Turn* turn);

// Random boards (the runtime library's rand).
Pos random_pos(const Playing_Field* pf);
Gem_Type random_type();
Gem_Type random_type_with_check(const Playing_Field* pf);
u32 number_of_gems(const Playing_Field* pf);
u32 random_gem_index(const Playing_Field* pf);
void random_dimensions(Playing_Field* pf, u32 n);
