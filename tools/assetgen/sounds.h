// Sounds: the music tracks and the effects, rendered into buffers.
#pragma once

#include "synth.h"

Sound intro_music();      // a short opening melody
Sound menu_loop_music();  // a short loop
Sound main_loop_music();  // the calm background loop of the levels

Sound push_effect();      // red: a gem shoved away, quick then slowing
Sound pull_effect();      // yellow: a gem drawn in, slow then quick
Sound teleport_effect();  // blue: flicker, then a jump
Sound swap_effect();      // purple: lift, half turn, set down
Sound finish_chime();     // a solved board
Sound activation_chime();
