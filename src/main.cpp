// The game's entry point: starts every subsystem in its order, then runs the main loop. Nothing is torn
// down: the process ends when the loop returns.
#include "app.h"

int main() {
    start_game();
    main_loop();
    return 0;
}
