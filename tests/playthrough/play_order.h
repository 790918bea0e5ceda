// The scenes of the play order as the game builds them, and the turns that take each from its start to
// its end, for the tests that play the whole game.
#pragma once

#include <vector>

#include "board_solver.h"
#include "scenes.h"

// Builds the intro and every registered scene into a fresh pool and registry, without assets.
inline void build_play_order() {
    bucket_array_init(&scene_pool);
    array_list_init(&Scene_Registry, 16);
    build_scene_intro();
    build_registered_scenes();
}

inline Pos destination_of(const Turn& turn) {
    Pos p = turn.pos;
    switch (turn.dir) {
    case Flip_Dir::Up: p.y++; break;
    case Flip_Dir::Down: p.y--; break;
    case Flip_Dir::Left: p.x--; break;
    case Flip_Dir::Right: p.x++; break;
    }
    return p;
}

// A shortest solution. A board that starts solved is finished by any move that keeps it solved, since
// the finish test only runs after a turn. Empty when there is none.
inline std::vector<Turn> turns_that_finish(const Scene* scene) {
    std::vector<Turn> turns;
    Solution solution = {};
    array_list_init(&solution.turns, 16);
    solve_board(&scene->field, &solution);
    for (u32 i = 0; i < solution.turns.count; i++) turns.push_back(solution.turns.data[i]);
    if (solution.found && turns.empty()) {
        Array_List<Turn> legal;
        array_list_init(&legal, 16);
        list_possible_turns(&scene->field, &legal);
        for (u32 i = 0; i < legal.count && turns.empty(); i++) {
            Playing_Field after;
            simulate_turn(&after, &scene->field, &legal.data[i]);
            if (is_level_complete(&after)) turns.push_back(legal.data[i]);
            free_playing_field(&after);
        }
        array_list_free(&legal);
    }
    array_list_free(&solution.turns);
    return turns;
}
