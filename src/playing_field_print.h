// Board printers: the text forms of gem types, positions, gems, moves, solutions and whole boards for
// the log, registered by name so that format strings can use them ("%{->playing_field}").
#pragma once

#include <stdio.h>

#include "playing_field.h"

s32 print_gem_type(FILE* stream, u32 type);
s32 print_short_gem_type(FILE* stream, u32 type);
s32 print_pos(FILE* stream, const Pos* pos);
s32 print_gem(FILE* stream, const Gem* gem);
s32 print_turn(FILE* stream, const Turn* turn);
s32 print_solution(FILE* stream, const Solution* solution);
// Writes to the print stream (not the given one), flushing at every line.
s32 print_playing_field(FILE* stream, const Playing_Field* pf);

// Registers "gem_type", "short_gem_type", "->pos", "->solution", "->gem", "->turn", "->playing_field".
void register_playing_field_printers();
