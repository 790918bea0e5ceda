// A breadth-first solver over boards, for tests only: it proves a board solvable (or not, within
// limits) using nothing but the game's own move listing, turn simulation and completion test, and finds
// a shortest sequence of turns.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "playing_field.h"

// The level counts as complete after a turn when it has a finish and every finish holds its colour.
inline bool is_level_complete(const Playing_Field* pf) { return pf->finishes.count > 0 && is_solved(pf); }

struct Solver_Limits {
    u32 max_turns = 40;         // deepest sequence searched
    u32 max_states = 500000;    // distinct boards kept before giving up
};

struct Solver_Stats {
    u32 states = 0;      // distinct boards seen
    bool exhausted = false;   // every reachable board within max_turns was seen
};

// Gems of one colour are interchangeable and the per-turn fields are reset by every turn, so a board's
// state is the colour in each cell.
inline std::string board_state_key(const Playing_Field* pf) {
    std::string key(pf->width * pf->height, '\0');
    for (u32 i = 0; i < pf->width * pf->height; i++) key[i] = (char)pf->gems.data[pf->cells[i]].type;
    return key;
}

// Fills `out` (whose `turns` list must be initialised) with a shortest solution, or found = 0.
inline Solver_Stats solve_board(const Playing_Field* start, Solution* out, Solver_Limits limits = {}) {
    struct Node {
        Playing_Field field;
        u32 parent;
        Turn turn;
        u32 depth;
    };
    Solver_Stats stats;
    out->found = 0;
    out->turns.count = 0;

    std::vector<Node> nodes;
    std::unordered_map<std::string, u32> seen;
    nodes.push_back(Node{});
    copy_playing_field(&nodes[0].field, start);
    seen.emplace(board_state_key(start), 0);

    s64 goal = is_level_complete(start) ? 0 : -1;
    bool truncated = false;
    Array_List<Turn> turns;
    array_list_init(&turns, 16);
    for (u32 head = 0; goal < 0 && head < nodes.size(); head++) {
        if (nodes[head].depth == limits.max_turns) {
            truncated = true;
            continue;
        }
        list_possible_turns(&nodes[head].field, &turns);
        for (u32 i = 0; i < turns.count && goal < 0; i++) {
            if (nodes.size() >= limits.max_states) {
                truncated = true;
                break;
            }
            Node next = {};
            simulate_turn(&next.field, &nodes[head].field, &turns.data[i]);
            next.parent = head;
            next.turn = turns.data[i];
            next.depth = nodes[head].depth + 1;
            if (!seen.emplace(board_state_key(&next.field), (u32)nodes.size()).second) {
                free_playing_field(&next.field);
                continue;
            }
            if (is_level_complete(&next.field)) goal = (s64)nodes.size();
            nodes.push_back(next);
        }
    }
    array_list_free(&turns);

    if (goal >= 0) {
        out->found = 1;
        std::vector<Turn> path;
        for (u32 n = (u32)goal; n != 0; n = nodes[n].parent) path.push_back(nodes[n].turn);
        for (u32 i = (u32)path.size(); i-- > 0;) array_list_push(&out->turns, path[i]);
    }
    stats.states = (u32)nodes.size();
    stats.exhausted = goal < 0 && !truncated;
    for (Node& node : nodes) free_playing_field(&node.field);
    return stats;
}
