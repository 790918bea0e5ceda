// Gem animations: the eased moves and sound effects that show a colour rule's changes on the gems'
// render objects, scheduled one rule after another from the turn's cursor time.
#pragma once

#include "playing_field.h"

struct Transform;

// Each starts at cursor->time; with advance set it then moves the cursor on by 1.2 s. The red and yellow
// rules animate every moved gem without advancing and step the cursor themselves once per rule.
// Gem i's render object is entry i of gem_transforms; the sound goes to game_scheduler.
void animate_red_push(u32 gem, Pos from, Pos to, Scheduler* sched, Anim_Cursor* cursor, bool advance);
void animate_yellow_pull(u32 gem, Pos from, Pos to, Scheduler* sched, Anim_Cursor* cursor, bool advance);
void animate_blue_teleport(u32 gem, Pos from, Pos to, Scheduler* sched, Anim_Cursor* cursor, bool advance);
void animate_purple_swap(u32 purple, u32 partner, Pos purple_pos, Pos partner_pos, Scheduler* sched,
                         Anim_Cursor* cursor, bool advance);

// Parameter of the purple swap's pivot actions: the two gems' render objects and the pivot that
// carries them through the half turn.
struct Pivot_Action_Param {
    Transform* purple;
    Transform* partner;
    Transform* pivot;
};

// Attaches both gems to the pivot at the start of the swap.
void parent_purple_gems_action(Pivot_Action_Param* param);
// Detaches both gems at the end of the swap, keeping where the half turn left them.
void unparent_purple_gems_action(Pivot_Action_Param* param);
