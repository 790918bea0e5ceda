// Every builder's scene: the board against the level table's sizes and counts, the board invariants, the
// camera, light, backdrop and hooks, and every level solved by the breadth-first solver on the game's
// own move listing and turn resolution.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "board_solver.h"
#include "scene_fixture.h"

namespace {

struct Level_Row {
    const char* name;
    void (*builder)();
    u32 width, height;
    u32 gems;        // gems created, the placeholder not counted
    u32 finishes;
    u32 satisfied;   // finishes that already hold their colour before the first move
    s32 shortest;    // turns of a shortest solution, as measured; -1 for the intro, which has no board
};

// The scene number is the position in this list up to zindo_fun_time; the last six are not played.
const Level_Row levels[] = {
    {"intro", build_scene_intro, 0, 0, 0, 0, 0, -1},
    {"main_menu", build_scene_main_menu, 10, 5, 1, 1, 0, 1},
    {"red_intro_0", build_scene_red_intro_0, 3, 2, 1, 1, 0, 3},
    {"red_intro_1", build_scene_red_intro_1, 4, 3, 2, 2, 1, 2},
    {"red_easy_three", build_scene_red_easy_three, 4, 3, 3, 3, 0, 5},
    {"black_intro_0", build_scene_black_intro_0, 4, 4, 5, 1, 0, 2},
    {"black_intro_1", build_scene_black_intro_1, 5, 5, 7, 2, 0, 9},
    {"red_hardy", build_scene_red_hardy, 4, 3, 3, 3, 0, 6},
    {"introducing_zindo_grey", build_scene_introducing_zindo_grey, 6, 3, 15, 3, 0, 2},
    {"grey_intro_0", build_scene_grey_intro_0, 5, 5, 14, 3, 0, 4},
    {"yellow_intro_0", build_scene_yellow_intro_0, 5, 5, 2, 1, 0, 13},
    {"gaga_gaijin", build_scene_gaga_gaijin, 6, 3, 15, 3, 1, 2},
    {"yellow_intro_1", build_scene_yellow_intro_1, 5, 5, 3, 3, 1, 14},
    {"yellow_intro_2", build_scene_yellow_intro_2, 5, 5, 11, 2, 0, 10},
    {"purple_intro_0", build_scene_purple_intro_0, 4, 4, 6, 2, 0, 10},
    {"blaui_schlaui", build_scene_blaui_schlaui, 5, 5, 9, 1, 1, 0},
    {"three_head", build_scene_three_head, 5, 5, 10, 1, 0, 3},
    {"crazy_1D", build_scene_crazy_1D, 6, 3, 15, 1, 0, 13},
    {"spicy_nicey", build_scene_spicy_nicey, 3, 2, 3, 2, 0, 7},
    {"poggie_woggie", build_scene_poggie_woggie, 5, 5, 13, 5, 0, 26},
    {"zindo_fun_time", build_scene_zindo_fun_time, 4, 3, 4, 2, 0, 7},
    {"auto_finishes", build_scene_auto_finishes, 7, 5, 1, 1, 0, 6},
    {"white_purple_shake", build_scene_white_purple_shake, 6, 5, 7, 5, 0, 10},
    {"blue_power", build_scene_blue_power, 2, 3, 5, 4, 1, 10},
    {"brutol_red", build_scene_brutol_red, 4, 3, 6, 3, 0, 6},
    {"kalto_pepega", build_scene_kalto_pepega, 6, 2, 6, 3, 0, 5},
    {"netflix_and_chill", build_scene_netflix_and_chill, 6, 3, 6, 3, 0, 4},
};

u32 satisfied_finishes(const Playing_Field* pf) {
    u32 n = 0;
    for (u32 i = 0; i < pf->finishes.count; i++) {
        const Finish& f = pf->finishes.data[i];
        u32 gem = get_gem_index_at(pf, f.pos);
        if (gem != 0 && pf->gems.data[gem].type == f.type) n++;
    }
    return n;
}

// Gems that no cell names: only possible when two gems were created on one cell.
std::set<u32> hidden_gems(const Playing_Field* pf) {
    std::set<u32> hidden;
    for (u32 i = 1; i < pf->gems.count; i++) hidden.insert(i);
    for (u32 c = 0; c < pf->width * pf->height; c++) hidden.erase(pf->cells[c]);
    return hidden;
}

class SceneLevels : public Scene_Test {};

TEST_F(SceneLevels, BoardsMatchTheTableAndKeepTheBoardInvariants) {
    for (const Level_Row& row : levels) {
        SCOPED_TRACE(row.name);
        Scene* scene = build(row.builder);
        const Playing_Field* pf = &scene->field;
        EXPECT_STREQ(scene->name, row.name);
        EXPECT_EQ(pf->width, row.width);
        EXPECT_EQ(pf->height, row.height);
        ASSERT_EQ(pf->gems.count, row.gems + 1);
        EXPECT_EQ(pf->gems.data[0].type, Gem_Type::None);
        EXPECT_EQ(pf->finishes.count, row.finishes);
        EXPECT_EQ(satisfied_finishes(pf), row.satisfied);
        EXPECT_EQ(pf->queue.count, 0u);

        for (u32 i = 1; i < pf->gems.count; i++) {
            const Gem& gem = pf->gems.data[i];
            EXPECT_TRUE(is_in_bounds(pf, gem_pos(&gem))) << "gem " << i;
            EXPECT_GE((u32)gem.type, (u32)Gem_Type::Black) << "gem " << i;
            EXPECT_LE((u32)gem.type, (u32)Gem_Type::White) << "gem " << i;
        }
        // A cell names at most one gem, and the gem it names stands there.
        for (u32 y = 0; y < pf->height; y++)
            for (u32 x = 0; x < pf->width; x++) {
                Pos pos = {(u8)x, (u8)y};
                u32 gem = get_gem_index_at(pf, pos);
                ASSERT_LT(gem, pf->gems.count);
                if (gem != 0) {
                    EXPECT_TRUE(gem_pos(&pf->gems.data[gem]) == pos) << x << "," << y;
                }
            }
        // Finishes lie on the board, ask for a colour that has a finish picture, one finish per cell.
        std::set<u32> finish_cells;
        for (u32 i = 0; i < pf->finishes.count; i++) {
            const Finish& f = pf->finishes.data[i];
            EXPECT_TRUE(is_in_bounds(pf, f.pos)) << "finish " << i;
            EXPECT_NE(f.type, Gem_Type::None);
            EXPECT_NE(f.type, Gem_Type::Black);
            EXPECT_TRUE(finish_cells.insert((u32)f.pos.y * pf->width + f.pos.x).second) << "finish " << i;
        }

        std::set<u32> hidden = hidden_gems(pf);
        if (std::string(row.name) == "grey_intro_0") {
            // Gems 5 and 10 are both black on (0, 3); the cell holds the later one.
            EXPECT_EQ(hidden, std::set<u32>{5});
            EXPECT_EQ(get_gem_index_at(pf, Pos{0, 3}), 10u);
            EXPECT_TRUE(gem_pos(&pf->gems.data[5]) == (Pos{0, 3}));
            EXPECT_EQ(pf->gems.data[5].type, Gem_Type::Black);
        } else {
            EXPECT_TRUE(hidden.empty());
        }
    }
}

TEST_F(SceneLevels, CameraLightBackdropAndHooks) {
    Scene_Hook level_hooks_seen[2 * std::size(levels)] = {};
    u32 hooks_seen = 0;
    for (const Level_Row& row : levels) {
        SCOPED_TRACE(row.name);
        Scene* scene = build(row.builder);
        EXPECT_FLOAT_EQ(scene->fov, 1.0471976f);
        const f32* light = &scene->light_orbit_deg;
        if (std::string(row.name) == "intro") {
            const f32 intro_light[5] = {-110.0f, 50.0f, 150.0f, 180.0f, 8.0f};
            for (u32 i = 0; i < 5; i++) EXPECT_FLOAT_EQ(light[i], intro_light[i]) << i;
            EXPECT_EQ(scene->camera_position, glm::vec3(2, -3, 6));
            EXPECT_EQ(scene->camera_target, glm::vec3(2, 2, 0));
            EXPECT_EQ(scene->clear_color, glm::vec3(1, 1, 1));
            EXPECT_EQ(scene->is_level, 0);
            EXPECT_EQ(scene->on_load, &intro_on_load);
            EXPECT_EQ(scene->second_hook, nullptr);
            EXPECT_EQ(scene->extra_objects.capacity, 1u);
            EXPECT_EQ(scene->extra_objects.count, 0u);
            continue;
        }
        const f32 board_light[5] = {139.1f, 46.3f, 157.0f, 175.0f, 8.3f};
        for (u32 i = 0; i < 5; i++) EXPECT_FLOAT_EQ(light[i], board_light[i]) << i;
        f32 w = (f32)row.width, h = (f32)row.height;
        EXPECT_EQ(scene->camera_position, glm::vec3(w / 2, h / 2 - 1, 8));
        EXPECT_EQ(scene->camera_target, glm::vec3(w / 2, h / 2, 0));
        EXPECT_EQ(scene->clear_color, glm::vec3(0, 0, 0));
        EXPECT_EQ(scene->is_level, 1);

        ASSERT_EQ(scene->extra_objects.count, 1u);
        EXPECT_EQ(scene->extra_objects.capacity, 1u);
        const Transform& backdrop = scene->extra_objects.data[0];
        bool menu = std::string(row.name) == "main_menu";
        EXPECT_EQ(backdrop.position, glm::vec3(3, 2, menu ? -0.01f : 0.0f));
        EXPECT_EQ(backdrop.scale, glm::vec3(20, 20, 1));
        EXPECT_EQ(backdrop.rotation, glm::quat(1, 0, 0, 0));
        EXPECT_EQ(backdrop.parent, nullptr);
        // No assets are loaded here: the backdrop points at whatever the shared pointers hold.
        EXPECT_EQ(backdrop.mesh, backdrop_mesh);
        EXPECT_EQ(backdrop.material, board_material);

        if (menu) {
            EXPECT_EQ(scene->on_load, &main_menu_on_load);
        } else {
            EXPECT_NE(scene->on_load, &main_menu_on_load);
            EXPECT_NE(scene->on_load, &intro_on_load);
        }
        // Every hook is there and can be called (the menu's own belongs to the scene loading).
        ASSERT_NE(scene->second_hook, nullptr);
        if (!menu) scene->on_load();
        scene->second_hook();
        level_hooks_seen[hooks_seen++] = scene->on_load;
        level_hooks_seen[hooks_seen++] = scene->second_hook;
    }
    // Each scene has its own pair of hooks.
    std::set<Scene_Hook> distinct(level_hooks_seen, level_hooks_seen + hooks_seen);
    EXPECT_EQ(distinct.size(), (size_t)hooks_seen);
}

// Plays the solution on a copy through the listing and the real turn resolution: every turn is offered,
// and the level is complete after the last turn and not before.
void expect_solution_plays(const Playing_Field* start, const Solution* solution) {
    Playing_Field pf;
    copy_playing_field(&pf, start);
    Array_List<Turn> legal;
    array_list_init(&legal, 16);
    for (u32 i = 0; i < solution->turns.count; i++) {
        const Turn turn = solution->turns.data[i];
        list_possible_turns(&pf, &legal);
        auto same = [&](const Turn& t) { return t.pos == turn.pos && t.dir == turn.dir; };
        EXPECT_TRUE(std::any_of(legal.data, legal.data + legal.count, same)) << "turn " << i << " not offered";
        do_turn(&pf, &turn, false, nullptr);
        EXPECT_EQ(is_level_complete(&pf), i + 1 == solution->turns.count) << "after turn " << i;
    }
    array_list_free(&legal);
    free_playing_field(&pf);
}

// The finish test runs only after a turn: a board that starts solved ends with whatever first move the
// player makes, provided that move leaves it solved.
void expect_every_first_move_completes(const Playing_Field* start) {
    Array_List<Turn> legal;
    array_list_init(&legal, 16);
    list_possible_turns(start, &legal);
    EXPECT_GT(legal.count, 0u);
    for (u32 i = 0; i < legal.count; i++) {
        Playing_Field after;
        simulate_turn(&after, start, &legal.data[i]);
        EXPECT_TRUE(is_level_complete(&after)) << "first move " << i;
        free_playing_field(&after);
    }
    array_list_free(&legal);
}

// Solves the levels of rows [first, end) and checks each shortest solution by replaying it.
void expect_levels_solvable(u32 first, u32 end) {
    for (u32 i = first; i < end; i++) {
        const Level_Row& row = levels[i];
        if (row.shortest < 0) continue;
        SCOPED_TRACE(row.name);
        Scene* scene = Scene_Registry.data[i];
        Solution solution = {};
        array_list_init(&solution.turns, 16);
        // white_purple_shake needs about 730 000 boards; the others far fewer.
        Solver_Limits limits;
        limits.max_states = 1000000;
        Solver_Stats stats = solve_board(&scene->field, &solution, limits);
        printf("%-24s shortest solution %2u turns (%u boards seen)\n", row.name, solution.turns.count, stats.states);
        EXPECT_TRUE(solution.found) << "exhausted: " << stats.exhausted << ", boards seen: " << stats.states;
        EXPECT_EQ((s32)solution.turns.count, row.shortest);
        if (solution.found && solution.turns.count == 0) {
            expect_every_first_move_completes(&scene->field);
        } else if (solution.found) {
            expect_solution_plays(&scene->field, &solution);
        }
        array_list_free(&solution.turns);
    }
}

constexpr u32 played_levels = 21;   // the intro, the main menu and the 19 levels of the play order

class SceneSolvable : public Scene_Test {
protected:
    void SetUp() override {
        Scene_Test::SetUp();
        for (const Level_Row& row : levels) row.builder();
    }
};

TEST_F(SceneSolvable, EveryLevelOfThePlayOrder) { expect_levels_solvable(0, played_levels); }

TEST_F(SceneSolvable, EveryLevelOutsideThePlayOrder) { expect_levels_solvable(played_levels, std::size(levels)); }

TEST_F(SceneLevels, MainMenuIsOneMoveOfItsRedGem) {
    Scene* scene = build(build_scene_main_menu);
    Array_List<Turn> legal;
    array_list_init(&legal, 16);
    list_possible_turns(&scene->field, &legal);
    u32 completing = 0;
    for (u32 i = 0; i < legal.count; i++) {
        Playing_Field after;
        simulate_turn(&after, &scene->field, &legal.data[i]);
        if (is_level_complete(&after)) {
            completing++;
            EXPECT_TRUE(legal.data[i].pos == (Pos{6, 2}));
            EXPECT_EQ(legal.data[i].dir, Flip_Dir::Left);
        }
        free_playing_field(&after);
    }
    EXPECT_EQ(completing, 1u);
    array_list_free(&legal);
}

}  // namespace
