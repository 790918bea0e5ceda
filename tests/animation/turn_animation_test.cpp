// Whole turns with animation: after the scheduler has run every animation of a turn, each gem's render
// object stands on the cell the board says it holds, unattached and at its own scale. This is what the
// player sees, checked over a fixed chain and over many random boards and turns.
#include <random>

#include "animation_fixture.h"

namespace {

struct Turn_Animation : Animation_Test {
    // Every gem's object on its board cell, without parent, at its scale. Objects that never rode a
    // pivot (their rotation is untouched) must be exactly there; swapped ones up to rounding.
    void expect_objects_on_cells(const char* what) {
        for (u32 i = 1; i < pf.gems.count; i++) {
            const Gem* gem = &pf.gems.data[i];
            const Transform* object = gem_transforms.data[i];
            glm::vec3 expected = cell(gem->x, gem->y);
            SCOPED_TRACE(testing::Message() << what << ", gem " << i << " at (" << (int)gem->x << ", " << (int)gem->y
                                            << ")");
            EXPECT_EQ(object->parent, nullptr);
            EXPECT_VEC3_NEAR(object->position, expected, 1e-4);
            EXPECT_VEC3_NEAR(object->scale, glm::vec3(test_gem_scale), 1e-4);
            if (object->rotation == identity_quat) {
                EXPECT_EQ(object->position, expected);
                EXPECT_EQ(object->scale, glm::vec3(test_gem_scale));
            }
        }
    }
};

TEST_F(Turn_Animation, ChainOfEveryColourEndsWithEveryObjectOnItsCell) {
    // Red push, blue teleport, yellow pull, purple swap, one after another.
    board({".W.YG",
           "R.B.P",
           ".@G.."});
    f32 t = 0;
    capture_print([&] { t = play_turn(Turn{Pos{0, 1}, Flip_Dir::Right}); });
    EXPECT_FLOAT_EQ(t, 4.4f);
    EXPECT_EQ(animation_lock, 1);
    run_until(t - 0.05, 1.0 / 60);
    EXPECT_EQ(animation_lock, 1);
    run_until(t + 0.05, 1.0 / 60);
    EXPECT_EQ(animation_lock, 0);
    EXPECT_TRUE(scheduler_idle());
    expect_objects_on_cells("chain");
}

// Random boards, several turns each, frames of varying length: after each turn's animations the
// picture matches the board. Gems of every colour, black and grey walls, whites relaying triggers.
TEST_F(Turn_Animation, RandomTurnsLeaveEveryObjectOnItsCell) {
    std::mt19937 random(20261209);
    Array_List<Turn> turns;
    array_list_init(&turns, 16);
    u32 boards = 0, animated_turns = 0;
    for (; boards < 120; boards++) {
        u32 width = 3 + random() % 4, height = 3 + random() % 3;
        std::vector<std::string> rows(height, std::string(width, '.'));
        for (std::string& row : rows)
            for (char& c : row)
                if (random() % 100 < 55) c = "@RBYPGWRBYP"[random() % 11];
        if (have_board) free_playing_field(&pf);
        board(rows);

        for (u32 n = 0; n < 4; n++) {
            list_possible_turns(&pf, &turns);
            if (turns.count == 0) break;
            Turn turn = turns.data[random() % turns.count];
            f32 t = 0;
            capture_print([&] { t = play_turn(turn); });
            if (t > 0) animated_turns++;
            f64 frame = (random() % 4 + 1) / 120.0;
            run_until(now + t + 0.05, frame);
            ASSERT_TRUE(scheduler_idle());
            char what[64];
            snprintf(what, sizeof what, "board %u turn %u", boards, n);
            expect_objects_on_cells(what);
            if (HasFailure()) {
                ADD_FAILURE() << "board rows, top first:";
                for (const std::string& row : rows) ADD_FAILURE() << row;
                break;
            }
        }
        if (HasFailure()) break;
    }
    array_list_free(&turns);

    // Every animator took part.
    u32 red = 0, yellow = 0, blue = 0, purple = 0;
    for (const Pending_Sound& s : pending_sounds()) {
        red += s.file == "audio/effects/gems/red_sfx.mp3";
        yellow += s.file == "audio/effects/gems/yellow_sfx.mp3";
        blue += s.file == "audio/effects/gems/blue_sfx.mp3";
        purple += s.file == "audio/effects/gems/purple_sfx.mp3";
    }
    EXPECT_GT(animated_turns, 100u);
    EXPECT_GT(red, 20u);
    EXPECT_GT(yellow, 20u);
    EXPECT_GT(blue, 20u);
    EXPECT_GT(purple, 20u);
}

}  // namespace
