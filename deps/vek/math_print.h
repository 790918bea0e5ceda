// vek math printers: "->vec3", "->quat", "->mat3", "->mat4" and "Side" for log lines, and the identity
// quaternion. Quaternions are stored w, x, y, z (GLM_FORCE_QUAT_DATA_WXYZ, set for every unit).
#pragma once

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

#include "vek/print.h"

#ifndef GLM_FORCE_QUAT_DATA_WXYZ
#error "glm must store quaternions w, x, y, z in this program"
#endif

enum class Side : u8 { Red = 0, Green = 1, Blue = 2, None = 3 };

extern const glm::quat identity_quat;

s32 print_quat(FILE* stream, const glm::quat* q);
s32 print_vec3(FILE* stream, const glm::vec3* v);
s32 print_side(FILE* stream, u32 side);
s32 print_mat3(FILE* stream, const glm::mat3* m);
s32 print_mat4(FILE* stream, const glm::mat4* m);

// Registers "->quat", "->vec3", "->mat3", "->mat4" and "Side".
void register_math_printers();
