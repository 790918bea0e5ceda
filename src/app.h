// The game application: start-up order, main loop, and the globals that tie a run together.
#pragma once

#include "vek/scheduler.h"

// Everything of play (turn animations and sounds, scene openings, level completion) runs on the game
// scheduler; the help-overlay fades run on the interface scheduler.
extern Scheduler game_scheduler;
extern Scheduler interface_scheduler;
