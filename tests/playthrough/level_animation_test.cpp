// Every level of the play order solved with the game's gem animations, advanced in frames as long as a
// slow renderer makes them (the game runs at 10 to 20 frames a second on the CPU driver, with longer
// stalls now and then): after each turn's animations every gem's render object stands on its board
// cell, unattached and at its own scale. Frames that long end several short animations in one update,
// which frames of a few milliseconds never do.
#include <gtest/gtest.h>

#include <random>

#include "gem_objects.h"
#include "play_order.h"

namespace {

class Level_Animation : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ensure_animation_globals();
        build_play_order();
    }
};

// Frame lengths as measured under the CPU driver: mostly 10 to 120 ms, a quarter of them up to the
// 0.5 s that the game still passes on to the schedulers.
f32 next_frame(std::mt19937* random) {
    std::uniform_real_distribution<f32> usual(0.01f, 0.12f), stall(0.12f, 0.5f);
    return (*random)() % 4 == 0 ? stall(*random) : usual(*random);
}

TEST_F(Level_Animation, EveryGemShowsOnItsCellAfterEveryTurnOfEveryLevel) {
    ASSERT_EQ(Scene_Registry.count, 21u);
    for (u32 seed = 1; seed <= 4; seed++) {
        std::mt19937 random(seed);
        for (u32 id = 1; id < Scene_Registry.count; id++) {
            const Scene* scene = Scene_Registry.data[id];
            SCOPED_TRACE(testing::Message() << scene->name << ", frames of seed " << seed);
            Scheduler sched = {};
            init_scheduler(&sched);
            register_gem_interpolators(&sched);
            Playing_Field pf;
            copy_playing_field(&pf, &scene->field);
            std::vector<Transform> objects;
            place_gem_objects(&pf, &objects);

            std::vector<Turn> turns = turns_that_finish(scene);
            ASSERT_FALSE(turns.empty());
            for (size_t k = 0; k < turns.size() && !HasFailure(); k++) {
                // As the mouse handler does: resolve with animations, then drop the dragged gem's object on
                // its destination.
                u32 moved = get_gem_index_at(&pf, turns[k].pos);
                f32 t = 0;
                capture_print([&] { t = do_turn(&pf, &turns[k], false, &sched); });
                Pos to = destination_of(turns[k]);
                gem_transforms.data[moved]->position = glm::vec3(to.x, to.y, 0);
                for (f32 elapsed = 0; elapsed <= t;) {
                    f32 dt = next_frame(&random);
                    update_scheduler(&sched, dt);
                    elapsed += dt;
                }
                EXPECT_EQ(animation_lock, 0);
                for (u32 i = 1; i < pf.gems.count; i++) {
                    const Gem& gem = pf.gems.data[i];
                    const Transform* object = gem_transforms.data[i];
                    SCOPED_TRACE(testing::Message() << "after turn " << k + 1 << ", gem " << i << " on ("
                                                    << (int)gem.x << ", " << (int)gem.y << ")");
                    EXPECT_EQ(object->parent, nullptr);
                    EXPECT_NEAR(object->position.x, gem.x, 1e-3);
                    EXPECT_NEAR(object->position.y, gem.y, 1e-3);
                    EXPECT_NEAR(object->position.z, 0.0f, 1e-3);
                    EXPECT_NEAR(object->scale.x, test_gem_scale, 1e-4) << "the gem is not shown at its size";
                }
            }
            free_playing_field(&pf);
            destroy_scheduler(&sched);
            clear_scheduler(&game_scheduler);   // the sounds, never played here
            animation_lock = 0;
            if (HasFailure()) return;
        }
    }
}

}  // namespace
