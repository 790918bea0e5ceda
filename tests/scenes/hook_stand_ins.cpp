// Stand-ins for the intro's and the main menu's load hooks, which belong to the scene loading. They are
// weak: once the game's own hooks are linked in, those take their place.
#include "scenes.h"

__attribute__((weak)) void intro_on_load() {}
__attribute__((weak)) void main_menu_on_load() {}
