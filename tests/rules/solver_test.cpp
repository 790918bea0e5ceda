// The test-side breadth-first solver on small hand-made boards, each solution replayed move by move
// through the listing and the real turn resolution.
#include <gtest/gtest.h>

#include "board_builder.h"
#include "board_solver.h"

namespace {

// Replays a solution: every turn must be offered by the listing, and only the last completes the level.
void expect_replay_completes(const Playing_Field* start, const Solution* solution) {
    Playing_Field pf;
    copy_playing_field(&pf, start);
    Array_List<Turn> legal;
    array_list_init(&legal, 16);
    for (u32 i = 0; i < solution->turns.count; i++) {
        EXPECT_FALSE(is_level_complete(&pf)) << "complete before turn " << i;
        const Turn& turn = solution->turns.data[i];
        list_possible_turns(&pf, &legal);
        bool offered = false;
        for (u32 k = 0; k < legal.count; k++)
            offered = offered || (legal.data[k].pos == turn.pos && legal.data[k].dir == turn.dir);
        EXPECT_TRUE(offered) << "turn " << i;
        do_turn(&pf, &turn, false, nullptr);
    }
    EXPECT_TRUE(is_level_complete(&pf));
    array_list_free(&legal);
    free_playing_field(&pf);
}

struct Solved {
    Solution solution;
    Solver_Stats stats;
    Solved(const Playing_Field* pf, Solver_Limits limits = {}) {
        solution = {};
        array_list_init(&solution.turns, 16);
        stats = solve_board(pf, &solution, limits);
    }
    ~Solved() { array_list_free(&solution.turns); }
};

struct Hand_Made {
    const char* what;
    std::vector<std::string> rows;
    std::vector<Finish> finishes;
    u32 shortest;   // number of turns of a shortest solution
};

const Hand_Made solvable[] = {
    {"one step onto the finish", {"R."}, {{Pos{1, 0}, Gem_Type::Red}}, 1},
    {"a grey can only get there by being pushed",
     {"R...",
      "..G."},
     {{Pos{3, 0}, Gem_Type::Grey}}, 2},
    {"a white can only get there by a purple's swap",
     {"P..",
      "W@."},
     {{Pos{0, 1}, Gem_Type::White}}, 2},
    {"the yellow fetches the grey from the far corner and comes back",
     {"Y...",
      "....",
      "B..G"},
     {{Pos{3, 1}, Gem_Type::Grey}, {Pos{0, 0}, Gem_Type::Blue}, {Pos{1, 2}, Gem_Type::Yellow}}, 5},
};

TEST(Solver, SolvesHandMadeBoardsWithShortestSequences) {
    ensure_board_printers();
    for (const Hand_Made& h : solvable) {
        Playing_Field pf;
        make_board(&pf, h.rows);
        for (const Finish& f : h.finishes) add_finish(&pf, f.pos.x, f.pos.y, f.type);
        Solved s(&pf);
        ASSERT_TRUE(s.solution.found) << h.what;
        EXPECT_EQ(s.solution.turns.count, h.shortest) << h.what;
        expect_replay_completes(&pf, &s.solution);
        // The solution prints through the game's own printer.
        std::string text = capture_print([&] { print("%{->solution}", &s.solution); });
        EXPECT_EQ(text.rfind("Solution: \033[32mfound (", 0), 0u) << text;
        free_playing_field(&pf);
    }
}

TEST(Solver, AlreadyCompleteAndImpossibleBoards) {
    Playing_Field pf;
    make_board(&pf, {"R.."});
    add_finish(&pf, 0, 0, Gem_Type::Red);
    {
        Solved s(&pf);
        EXPECT_TRUE(s.solution.found);
        EXPECT_EQ(s.solution.turns.count, 0u);
    }
    // No yellow anywhere: every reachable board is seen and none completes.
    add_finish(&pf, 2, 0, Gem_Type::Yellow);
    {
        Solved s(&pf);
        EXPECT_FALSE(s.solution.found);
        EXPECT_TRUE(s.stats.exhausted);
        EXPECT_EQ(s.stats.states, 3u);   // the red on each of the three cells
    }
    free_playing_field(&pf);

    // A board without finishes is never complete, even though is_solved says yes.
    make_board(&pf, {"R."});
    {
        Solved s(&pf);
        EXPECT_FALSE(s.solution.found);
        EXPECT_TRUE(s.stats.exhausted);
    }
    free_playing_field(&pf);
}

TEST(Solver, GivesUpAtItsLimits) {
    Playing_Field pf;
    make_board(&pf, {"R.....",
                     "......",
                     "B....Y"});
    add_finish(&pf, 0, 0, Gem_Type::Purple);   // unreachable: no purple
    Solver_Limits limits;
    limits.max_states = 50;
    Solved s(&pf, limits);
    EXPECT_FALSE(s.solution.found);
    EXPECT_FALSE(s.stats.exhausted);
    EXPECT_LE(s.stats.states, 50u);
    free_playing_field(&pf);
}

}  // namespace
