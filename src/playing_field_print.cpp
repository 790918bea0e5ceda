// Board printers: gem types, positions, gems, moves, solutions and the board picture with its finish
// checklist.
#include "playing_field_print.h"

#include "vek/print.h"

static const char* const long_names[8] = {"None", "Black", "Red", "Blue", "Yellow", "Purple", "Grey", "White"};
static const char* const letters[8] = {" ", "@", "R", "B", "Y", "P", "G", "W"};

s32 print_gem_type(FILE* stream, u32 type) {
    return (s32)print_to_file(stream, "%s", long_names[type < 8 ? type : 0]);
}

s32 print_short_gem_type(FILE* stream, u32 type) {
    return (s32)print_to_file(stream, "%s", letters[type < 8 ? type : 0]);
}

s32 print_pos(FILE* stream, const Pos* pos) {
    return (s32)print_to_file(stream, "(%{u32}, %{u32})", (u32)pos->x, (u32)pos->y);
}

s32 print_gem(FILE* stream, const Gem* gem) {
    return (s32)print_to_file(stream, "Gem{ .type = %{gem_type}, }", (u32)gem->type);
}

s32 print_turn(FILE* stream, const Turn* turn) {
    static const char* const names[3] = {"Up", "Down", "Left"};
    u8 dir = (u8)turn->dir;
    return (s32)print_to_file(stream, "(%d %d) -> %s", turn->pos.x, turn->pos.y, dir < 3 ? names[dir] : "Right");
}

s32 print_solution(FILE* stream, const Solution* solution) {
    s32 count = (s32)print_to_file(stream, "Solution: ");
    if (!solution->found) return count + (s32)print_to_file(stream, "%{color<}not found%{>color}", console_red);
    count += (s32)print_to_file(stream, "%{color<}found (%d turns):%{>color}", console_green, solution->turns.count);
    if (solution->turns.count == 0) return count + (s32)print_to_file(stream, "\n already solved");
    for (u32 i = 0; i < solution->turns.count; i++)
        count += (s32)print_to_file(stream, "\n - %{->turn}", &solution->turns.data[i]);
    return count;
}

static bool is_waiting_in_queue(const Playing_Field* pf, u32 gem) {
    for (u32 i = pf->queue_head; i < pf->queue.count; i++)
        if (pf->queue.data[i] == gem) return true;
    return false;
}

static s32 print_finish_line(const Playing_Field* pf, const Finish* finish) {
    u32 gem = is_in_bounds(pf, finish->pos) ? get_gem_index_at(pf, finish->pos) : 0;
    bool done = gem != 0 && pf->gems.data[gem].type == finish->type;
    const char* format = done ? "  %{color<}- [X] %{gem_type} finish at (%d %d) %{>color}"
                              : "  %{color<}- [ ] %{gem_type} finish at (%d %d) %{>color}";
    return (s32)print(format, done ? console_green : console_reset, (u32)finish->type, finish->pos.x, finish->pos.y);
}

s32 print_playing_field(FILE*, const Playing_Field* pf) {
    u32 w = pf->width;
    u32 h = pf->height;
    // A board without cells (the intro's is 0 x 0) has no picture.
    if (w == 0 || h == 0) return 0;

    s32 count = 0;
    u32 k = 0;   // next finish of the checklist
    u32 finish_count = pf->finishes.count;
    for (u32 y = h; y-- > 0;) {
        for (u32 x = 0; x < w; x++) {
            u32 gem = get_gem_index_at(pf, Pos{(u8)x, (u8)y});
            if (gem == 0) count += (s32)print("+");
            else if (is_waiting_in_queue(pf, gem))
                count += (s32)print("%{color<}%{short_gem_type}%{>color}", console_cyan, (u32)pf->gems.data[gem].type);
            else count += (s32)print("%{short_gem_type}", (u32)pf->gems.data[gem].type);
            if (x + 1 < w) count += (s32)print("---");
        }
        if (k < finish_count) count += print_finish_line(pf, &pf->finishes.data[k++]);
        if (y != 0) {
            count += (s32)println("");
            for (u32 i = 0; i + 1 < w; i++) count += (s32)print("|   ");
            count += (s32)print("|");
            if (k < finish_count) count += print_finish_line(pf, &pf->finishes.data[k++]);
            count += (s32)println("");
        } else if (k < finish_count) {
            // Last row: one more finish, indented under the checklist; the rest are not listed.
            count += (s32)print("\n%{spaces}", (s32)(4 * w - 3));
            count += print_finish_line(pf, &pf->finishes.data[k++]);
        }
    }
    return count;
}

void register_playing_field_printers() {
    register_printer("gem_type", print_gem_type, Printer_Kind::Int32);
    register_printer("short_gem_type", print_short_gem_type, Printer_Kind::Int32);
    register_printer("->pos", print_pos, Printer_Kind::Pointer);
    register_printer("->solution", print_solution, Printer_Kind::Pointer);
    register_printer("->gem", print_gem, Printer_Kind::Pointer);
    register_printer("->turn", print_turn, Printer_Kind::Pointer);
    register_printer("->playing_field", print_playing_field, Printer_Kind::Pointer);
}
