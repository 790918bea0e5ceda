// The game application: start-up order, main loop, and the globals that tie a run together.
#include "app.h"

Scheduler game_scheduler = {};
Scheduler interface_scheduler = {};
