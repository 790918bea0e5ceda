// Gem animations: the eased moves and sound effects that show a colour rule's changes on the gems'
// render objects, scheduled one rule after another from the turn's cursor time.
#pragma once

#include "playing_field.h"

// Each starts at cursor->time; with advance set it then moves the cursor on by 1.2 s. The red and yellow
// rules animate every moved gem without advancing and step the cursor themselves once per rule.
void animate_red_push(u32 gem, Pos from, Pos to, Scheduler* sched, Anim_Cursor* cursor, bool advance);
void animate_yellow_pull(u32 gem, Pos from, Pos to, Scheduler* sched, Anim_Cursor* cursor, bool advance);
void animate_blue_teleport(u32 gem, Pos from, Pos to, Scheduler* sched, Anim_Cursor* cursor, bool advance);
void animate_purple_swap(u32 purple, u32 partner, Pos purple_pos, Pos partner_pos, Scheduler* sched,
                         Anim_Cursor* cursor, bool advance);
