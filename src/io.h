// Whole-file reading for the assets the game parses itself (shaders, meshes).
#pragma once

#include "vek/str.h"

// Reads the whole file into a fresh buffer of length + 1 bytes (the last one 0) that the caller owns.
// A missing or unreadable file is a panic; an empty file gives null data and length 0.
Str* read_entire_file(Str* out, const char* path);
