// Puzzle rules: board model, turn resolution through the trigger queue, legal-move listing, finish
// test and random boards.
#include "playing_field.h"

#include <stdlib.h>

#include "gem_animation.h"
#include "playing_field_print.h"
#include "vek/panic.h"
#include "vek/print.h"
#include "vek/scheduler.h"

u8 animation_lock = 0;
f32 gem_fill_ratio = 0.5f;

// ---------------------------------------------------------------------------------------------------
// Board model

static u32 cell_index(const Playing_Field* pf, Pos pos) { return (u32)pos.y * pf->width + pos.x; }

void init_playing_field(Playing_Field* pf) {
    array_list_init(&pf->finishes, 16);
    array_list_init(&pf->gems, 16);
    array_list_push(&pf->gems, Gem{});
    array_list_init(&pf->queue, 16);
    pf->queue_head = 0;
    pf->cells = (u32*)vek_calloc((size_t)pf->width * pf->height, sizeof(u32));
}

void free_playing_field(Playing_Field* pf) {
    array_list_free(&pf->finishes);
    array_list_free(&pf->queue);
    array_list_free(&pf->gems);
    vek_free(pf->cells);
    pf->cells = nullptr;
}

template <typename T>
static void copy_list(Array_List<T>* out, const Array_List<T>* src) {
    out->data = (T*)vek_malloc((size_t)src->capacity * sizeof(T));
    out->capacity = src->capacity;
    out->count = src->count;
    memcpy(out->data, src->data, (size_t)src->count * sizeof(T));
}

void copy_playing_field(Playing_Field* out, const Playing_Field* src) {
    memset(out, 0, sizeof(*out));
    out->width = src->width;
    out->height = src->height;
    size_t cell_count = (size_t)src->width * src->height;
    out->cells = (u32*)vek_malloc(cell_count * sizeof(u32));
    memcpy(out->cells, src->cells, cell_count * sizeof(u32));
    copy_list(&out->gems, &src->gems);
    copy_list(&out->finishes, &src->finishes);
    array_list_init(&out->queue, 16);
    out->queue_head = 0;
}

void create_gem_at_pos(Playing_Field* pf, Pos pos, Gem_Type type) {
    soft_assert(is_in_bounds(pf, pos));
    soft_assert(type != Gem_Type::None);
    Gem gem = {};
    gem.type = type;
    set_gem_pos(&gem, pos);
    u32 index = pf->gems.count;
    array_list_push(&pf->gems, gem);
    // A gem off the board stays in the list (its index is taken) but no cell names it, so it is inert.
    if (is_in_bounds(pf, pos)) pf->cells[cell_index(pf, pos)] = index;
}

bool is_in_bounds(const Playing_Field* pf, Pos pos) { return pos.x < pf->width && pos.y < pf->height; }

u32 get_gem_index_at(const Playing_Field* pf, Pos pos) { return pf->cells[cell_index(pf, pos)]; }

Gem* get_gem_at(Playing_Field* pf, Pos pos) {
    u32 index = get_gem_index_at(pf, pos);
    return index == 0 ? nullptr : &pf->gems.data[index];
}

bool is_cell_empty(const Playing_Field* pf, Pos pos) { return get_gem_index_at(pf, pos) == 0; }

void clear_cell(Playing_Field* pf, Pos pos) { pf->cells[cell_index(pf, pos)] = 0; }

bool has_gem_of_type(const Playing_Field* pf, Gem_Type type) {
    for (u32 i = 0; i < pf->gems.count; i++)
        if (pf->gems.data[i].type == type) return true;
    return false;
}

bool is_pushable_type(const Playing_Field* pf, u32 gem) { return pf->gems.data[gem].type != Gem_Type::Black; }

bool is_player_movable_type(const Playing_Field* pf, u32 gem) {
    // Bits 1, 6 and 7: Black, Grey, White.
    u32 type = (u32)pf->gems.data[gem].type;
    return type >= 32 || ((1u << type) & 194u) == 0;
}

// Directions as the rules walk them: Up, Right, Down, Left.
struct Step {
    s8 dx, dy;
};
static constexpr Step rule_steps[4] = {{0, 1}, {1, 0}, {0, -1}, {-1, 0}};

static Pos offset(Pos pos, Step step) { return Pos{(u8)(pos.x + step.dx), (u8)(pos.y + step.dy)}; }

void get_neighbours(const Playing_Field* pf, Pos pos, u32 out[4]) {
    for (u32 d = 0; d < 4; d++) {
        Pos n = offset(pos, rule_steps[d]);
        out[d] = is_in_bounds(pf, n) ? get_gem_index_at(pf, n) : 0;
    }
}

// ---------------------------------------------------------------------------------------------------
// Turn resolution

static Pos step_in_dir(Pos pos, Flip_Dir dir) {
    switch (dir) {
    case Flip_Dir::Up: return offset(pos, {0, 1});
    case Flip_Dir::Down: return offset(pos, {0, -1});
    case Flip_Dir::Left: return offset(pos, {-1, 0});
    case Flip_Dir::Right: return offset(pos, {1, 0});
    }
    return pos;
}

// Exactly the moves the listing offers: a movable gem stepping onto an empty cell of the board.
static bool is_legal_turn(const Playing_Field* pf, const Turn* turn) {
    if ((u8)turn->dir > 3 || !is_in_bounds(pf, turn->pos)) return false;
    u32 gem = get_gem_index_at(pf, turn->pos);
    if (gem == 0 || !is_player_movable_type(pf, gem)) return false;
    Pos target = step_in_dir(turn->pos, turn->dir);
    return is_in_bounds(pf, target) && is_cell_empty(pf, target);
}

static void put_neighbours_in_queue(Playing_Field* pf, u32 source, Pos pos, bool verbose) {
    u32 neighbours[4];
    get_neighbours(pf, pos, neighbours);
    for (u32 d = 0; d < 4; d++) put_in_queue(pf, source, neighbours[d], verbose);
}

static void move_gem(Playing_Field* pf, u32 gem, Pos from, Pos to) {
    set_gem_pos(&pf->gems.data[gem], to);
    pf->cells[cell_index(pf, to)] = gem;
    clear_cell(pf, from);
}

void unlock_animation_action() { animation_lock = 0; }

f32 do_turn(Playing_Field* pf, const Turn* turn, bool verbose, Scheduler* sched) {
    // Anything else would move an empty cell or write outside the board: refuse it untouched.
    if (!is_legal_turn(pf, turn)) {
        vek_soft_assert_failed("is_legal_turn(pf, turn)", VEK_FILE, __LINE__, __func__);
        return 0;
    }

    pf->queue.count = 0;
    pf->queue_head = 0;
    Anim_Cursor cursor = {0};
    if (verbose) print("%{color<}", console_red);

    for (u32 i = 0; i < pf->gems.count; i++) {
        Gem* gem = &pf->gems.data[i];
        gem->triggered = 0;
        gem->start_x = gem->x;
        gem->start_y = gem->y;
        gem->triggered_by = 0;
    }

    u32 g = get_gem_index_at(pf, turn->pos);
    Pos target = step_in_dir(turn->pos, turn->dir);
    move_gem(pf, g, turn->pos, target);

    Gem* moved = &pf->gems.data[g];
    array_list_push(&pf->queue, g);
    moved->triggered = 1;
    if (verbose) {
        println("Putting %{short_gem_type} (%d %d) in the queue (initial move)", (u32)moved->type, moved->x,
                moved->y);
        println("%{->playing_field}", pf);
    }
    put_neighbours_in_queue(pf, g, target, verbose);

    while (pf->queue_head != pf->queue.count) {
        u32 i = pf->queue.data[pf->queue_head];
        pf->queue_head += 1;
        if (verbose) {
            const Gem* gem = &pf->gems.data[i];
            println("Running %{short_gem_type} (%d %d) from the queue", (u32)gem->type, gem->x, gem->y);
        }
        apply_gem_rule(pf, i, verbose, sched, &cursor);
        if (verbose) println("%{->playing_field}", pf);
    }

    f32 t = cursor.time;
    if (t != 0) {
        animation_lock = 1;
        schedule_action(sched, t, unlock_animation_action, "");
    }
    if (verbose) print("%{>color}");
    return t;
}

void put_in_queue(Playing_Field* pf, u32 source, u32 gem, bool verbose) {
    if (gem == 0) return;
    Gem* g = &pf->gems.data[gem];
    if (g->type == Gem_Type::Grey || g->type == Gem_Type::Black) {
        if (verbose)
            println("not adding %{short_gem_type} (%d %d) because it is untriggerable", (u32)g->type, g->x, g->y);
        return;
    }
    if (g->triggered) {
        if (verbose)
            println("not adding %{short_gem_type} (%d %d) because it was already triggered", (u32)g->type, g->x,
                    g->y);
        return;
    }
    g->triggered = 1;
    g->triggered_by = source;
    if (verbose) {
        const Gem* s = &pf->gems.data[source];
        println("Putting %{short_gem_type} (%d %d) in the queue (triggered by %{short_gem_type} (%d %d))",
                (u32)g->type, g->x, g->y, (u32)s->type, s->x, s->y);
    }
    array_list_push(&pf->queue, gem);
}

void trigger_neighbours(Playing_Field* pf, Pos pos, bool verbose) {
    put_neighbours_in_queue(pf, get_gem_index_at(pf, pos), pos, verbose);
}

void apply_gem_rule(Playing_Field* pf, u32 gem, bool verbose, Scheduler* sched, Anim_Cursor* cursor) {
    Pos pos = gem_pos(&pf->gems.data[gem]);
    switch (pf->gems.data[gem].type) {
    case Gem_Type::Red: red_push(pf, pos, verbose, sched, cursor); break;
    case Gem_Type::Blue: blue_teleport_back(pf, pos, verbose, sched, cursor); break;
    case Gem_Type::Yellow: yellow_pull(pf, pos, verbose, sched, cursor); break;
    case Gem_Type::Purple: purple_swap(pf, pos, verbose, sched, cursor); break;
    case Gem_Type::White: trigger_neighbours(pf, pos, verbose); break;
    default: break;
    }
}

// Red pushes each neighbour one cell further away; yellow pulls each gem two cells away onto the cell
// between. Either way a gem moves from `from` onto the empty `to` and is queued with its new neighbours,
// and all moves of one rule play together.
static void move_in_line(Playing_Field* pf, Pos pos, bool pull, bool verbose, Scheduler* sched, Anim_Cursor* cursor) {
    u32 actor = get_gem_index_at(pf, pos);
    bool moved = false;
    for (Step d : rule_steps) {
        Pos near = offset(pos, d);
        Pos far = offset(near, d);
        if (!is_in_bounds(pf, near) || !is_in_bounds(pf, far)) continue;
        Pos from = pull ? far : near;
        Pos to = pull ? near : far;
        u32 p = get_gem_index_at(pf, from);
        if (p == 0 || !is_pushable_type(pf, p) || !is_cell_empty(pf, to)) continue;

        if (verbose)
            println(pull ? "Yellow pulls %{->pos} to %{->pos}" : "Red pushes %{->pos} to %{->pos}", &from, &to);
        put_in_queue(pf, actor, p, verbose);
        if (sched) (pull ? animate_yellow_pull : animate_red_push)(p, from, to, sched, cursor, false);
        move_gem(pf, p, from, to);
        put_neighbours_in_queue(pf, p, to, verbose);
        moved = true;
    }
    if (sched && moved) cursor->time += 1.0f;
}

void red_push(Playing_Field* pf, Pos pos, bool verbose, Scheduler* sched, Anim_Cursor* cursor) {
    move_in_line(pf, pos, false, verbose, sched, cursor);
}

void yellow_pull(Playing_Field* pf, Pos pos, bool verbose, Scheduler* sched, Anim_Cursor* cursor) {
    move_in_line(pf, pos, true, verbose, sched, cursor);
}

void blue_teleport_back(Playing_Field* pf, Pos pos, bool verbose, Scheduler* sched, Anim_Cursor* cursor) {
    u32 b = get_gem_index_at(pf, pos);
    Pos s = gem_start_pos(&pf->gems.data[b]);
    // A blue that has not moved finds itself on its start cell and stays.
    if (!is_cell_empty(pf, s)) {
        if (verbose) println("Blue wants to teleport back from %{->pos} to %{->pos}, but it is blocked.", &pos, &s);
        return;
    }
    if (verbose) println("Blue teleports back from %{->pos} to %{->pos}", &pos, &s);
    if (sched) animate_blue_teleport(b, pos, s, sched, cursor, true);
    move_gem(pf, b, pos, s);
    put_neighbours_in_queue(pf, b, s, verbose);
}

void purple_swap(Playing_Field* pf, Pos pos, bool verbose, Scheduler* sched, Anim_Cursor* cursor) {
    u32 p = get_gem_index_at(pf, pos);
    // The gem that triggered the purple is its partner wherever it stands now.
    u32 q = pf->gems.data[p].triggered_by;
    if (q == 0) {
        u32 neighbours[4];
        get_neighbours(pf, pos, neighbours);
        for (u32 n : neighbours) {
            if (n != 0 && is_pushable_type(pf, n)) {
                q = n;
                break;
            }
        }
        if (verbose) {
            const Gem* partner = &pf->gems.data[q];
            println("Purple at %{->pos} was not triggered by anyone, so it decided to switch with %{short_gem_type} "
                    "(%d %d)",
                    &pos, (u32)partner->type, partner->x, partner->y);
        }
        if (q == 0) {
            if (verbose) println("Purple at %{->pos} has no one to swap with", &pos);
            return;
        }
    }

    Gem* purple = &pf->gems.data[p];
    Gem* partner = &pf->gems.data[q];
    Pos partner_pos = gem_pos(partner);
    if (sched) animate_purple_swap(p, q, pos, partner_pos, sched, cursor, true);
    set_gem_pos(purple, partner_pos);
    set_gem_pos(partner, pos);
    pf->cells[cell_index(pf, partner_pos)] = p;
    pf->cells[cell_index(pf, pos)] = q;
    if (verbose)
        println("%{gem_type} (%d %d) switches with %{gem_type} (%d %d)", (u32)purple->type, purple->x, purple->y,
                (u32)partner->type, partner->x, partner->y);
}

// ---------------------------------------------------------------------------------------------------
// Listing, finish test, simulation

void list_possible_turns(const Playing_Field* pf, Array_List<Turn>* out) {
    out->count = 0;
    for (u32 y = 0; y < pf->height; y++) {
        for (u32 x = 0; x < pf->width; x++) {
            Pos pos = {(u8)x, (u8)y};
            u32 gem = get_gem_index_at(pf, pos);
            if (gem == 0 || !is_player_movable_type(pf, gem)) continue;
            if (x > 0 && is_cell_empty(pf, Pos{(u8)(x - 1), (u8)y})) array_list_push(out, Turn{pos, Flip_Dir::Left});
            if (x + 1 < pf->width && is_cell_empty(pf, Pos{(u8)(x + 1), (u8)y}))
                array_list_push(out, Turn{pos, Flip_Dir::Right});
            if (y + 1 < pf->height && is_cell_empty(pf, Pos{(u8)x, (u8)(y + 1)}))
                array_list_push(out, Turn{pos, Flip_Dir::Up});
            if (y > 0 && is_cell_empty(pf, Pos{(u8)x, (u8)(y - 1)})) array_list_push(out, Turn{pos, Flip_Dir::Down});
        }
    }
}

void list_turns_for_gem(const Playing_Field* pf, const Gem* gem, Array_List<Turn>* out) {
    Array_List<Turn> all;
    array_list_init(&all, 16);
    list_possible_turns(pf, &all);
    out->count = 0;
    for (u32 i = 0; i < all.count; i++)
        if (all.data[i].pos == gem_pos(gem)) array_list_push(out, all.data[i]);
    array_list_free(&all);
}

bool is_solved(const Playing_Field* pf) {
    for (u32 i = 0; i < pf->finishes.count; i++) {
        const Finish* finish = &pf->finishes.data[i];
        // A finish off the board can never hold its gem (and its cell must not be read).
        if (!is_in_bounds(pf, finish->pos)) return false;
        u32 gem = get_gem_index_at(pf, finish->pos);
        if (gem == 0 || pf->gems.data[gem].type != finish->type) return false;
    }
    return true;
}

Playing_Field* simulate_turn(Playing_Field* out, const Playing_Field* pf, const Turn* turn) {
    copy_playing_field(out, pf);
    do_turn(out, turn, false, nullptr);
    return out;
}

// ---------------------------------------------------------------------------------------------------
// Random boards

Pos random_pos(const Playing_Field* pf) {
    // A board without cells has no position to offer (and would divide by zero).
    if (pf->width == 0 || pf->height == 0) {
        soft_assert(pf->width != 0 && pf->height != 0);
        return Pos{0, 0};
    }
    u8 x = (u8)(rand() % pf->width);
    u8 y = (u8)(rand() % pf->height);
    return Pos{x, y};
}

Gem_Type random_type() { return (Gem_Type)(rand() % 7 + 1); }

// True when the board holds a gem of a type from Red to White.
static bool has_drawable_type(const Playing_Field* pf) {
    for (u32 type = (u32)Gem_Type::Red; type <= (u32)Gem_Type::White; type++)
        if (has_gem_of_type(pf, (Gem_Type)type)) return true;
    return false;
}

Gem_Type random_type_with_check(const Playing_Field* pf) {
    // Drawing would never end otherwise.
    if (!has_drawable_type(pf)) {
        vek_soft_assert_failed("has_drawable_type(pf)", VEK_FILE, __LINE__, __func__);
        return Gem_Type::None;
    }
    Gem_Type ret;
    do ret = (Gem_Type)(rand() % 7 + 2);
    while (!has_gem_of_type(pf, ret));
    soft_assert(ret != Gem_Type::Black);
    return ret;
}

u32 number_of_gems(const Playing_Field* pf) {
    f32 cells = (f32)(pf->width * pf->height) * gem_fill_ratio;
    u32 max_number = (u32)((f64)cells + 0.5);
    soft_assert(max_number != 0);
    if (max_number == 0) return 0;
    return (u32)rand() % max_number;
}

u32 random_gem_index(const Playing_Field* pf) { return (u32)rand() % pf->gems.count; }

void random_dimensions(Playing_Field* pf, u32 n) {
    soft_assert(n != 0);
    if (n == 0) n = 1;
    // A Pos holds 8 bits per coordinate.
    if (n > 255) n = 255;
    pf->width = (u32)rand() % n + 1;
    pf->height = (u32)rand() % n + 1;
}
