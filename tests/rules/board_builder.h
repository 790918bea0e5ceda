// Test helpers for the puzzle rules: boards drawn as text, the board read back as text, captured log
// output with the board printers registered.
#pragma once

#include <string>
#include <vector>

#include "capture.h"
#include "playing_field.h"
#include "playing_field_print.h"

inline void ensure_board_printers() {
    static bool done = false;
    if (!done) {
        ensure_printer();
        register_playing_field_printers();
        done = true;
    }
}

// Letters as the board printer writes them; '.' is an empty cell.
inline Gem_Type gem_type_of_letter(char c) {
    switch (c) {
    case '@': return Gem_Type::Black;
    case 'R': return Gem_Type::Red;
    case 'B': return Gem_Type::Blue;
    case 'Y': return Gem_Type::Yellow;
    case 'P': return Gem_Type::Purple;
    case 'G': return Gem_Type::Grey;
    case 'W': return Gem_Type::White;
    default: return Gem_Type::None;
    }
}

inline char letter_of_gem_type(Gem_Type type) {
    static const char letters[] = ".@RBYPGW";
    return (u32)type < 8 ? letters[(u32)type] : '?';
}

// Builds a board from rows drawn top row first (the way it prints). Gems are created row by row from
// the bottom row upwards, left to right, so gem indices follow that order.
inline void make_board(Playing_Field* pf, const std::vector<std::string>& rows) {
    pf->height = (u32)rows.size();
    pf->width = rows.empty() ? 0 : (u32)rows[0].size();
    init_playing_field(pf);
    for (u32 y = 0; y < pf->height; y++) {
        const std::string& row = rows[pf->height - 1 - y];
        for (u32 x = 0; x < pf->width; x++) {
            Gem_Type type = gem_type_of_letter(row[x]);
            if (type != Gem_Type::None) create_gem_at_pos(pf, Pos{(u8)x, (u8)y}, type);
        }
    }
}

inline void add_finish(Playing_Field* pf, u8 x, u8 y, Gem_Type type) {
    array_list_push(&pf->finishes, Finish{Pos{x, y}, type});
}

// The board's cells as text rows, top row first. Also checks the cell/gem invariant: a cell naming gem
// i means gem i stands there.
inline std::vector<std::string> board_rows(const Playing_Field* pf) {
    std::vector<std::string> rows;
    for (u32 y = pf->height; y-- > 0;) {
        std::string row;
        for (u32 x = 0; x < pf->width; x++) {
            Pos pos = {(u8)x, (u8)y};
            u32 gem = get_gem_index_at(pf, pos);
            if (gem != 0 && !(gem_pos(&pf->gems.data[gem]) == pos)) row += '!';
            else row += letter_of_gem_type(pf->gems.data[gem].type);
        }
        rows.push_back(row);
    }
    return rows;
}

// Resolves one turn quietly, without a scheduler.
inline f32 play(Playing_Field* pf, u8 x, u8 y, Flip_Dir dir) {
    Turn turn = {Pos{x, y}, dir};
    return do_turn(pf, &turn, false, nullptr);
}

// The verbose log of one turn.
inline std::string verbose_log(Playing_Field* pf, u8 x, u8 y, Flip_Dir dir) {
    ensure_board_printers();
    Turn turn = {Pos{x, y}, dir};
    return capture_print([&] { do_turn(pf, &turn, true, nullptr); });
}
