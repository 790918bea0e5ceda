// Gem animations. The render objects they move do not exist yet, so for now each animator only keeps
// the turn's timing: the cursor advance that the rules rely on.
#include "gem_animation.h"

// Length of the slot a blue teleport or a purple swap takes on the cursor (its moves last 1.0 s).
static constexpr f32 advance_step = 1.2f;

void animate_red_push(u32, Pos, Pos, Scheduler*, Anim_Cursor* cursor, bool advance) {
    if (advance) cursor->time += advance_step;
}

void animate_yellow_pull(u32, Pos, Pos, Scheduler*, Anim_Cursor* cursor, bool advance) {
    if (advance) cursor->time += advance_step;
}

void animate_blue_teleport(u32, Pos, Pos, Scheduler*, Anim_Cursor* cursor, bool advance) {
    if (advance) cursor->time += advance_step;
}

void animate_purple_swap(u32, u32, Pos, Pos, Scheduler*, Anim_Cursor* cursor, bool advance) {
    if (advance) cursor->time += advance_step;
}
