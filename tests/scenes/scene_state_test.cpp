// What every load does first: both schedulers' pending work fired (gameplay first) and dropped, input
// unlocked, the render objects emptied.
#include <gtest/gtest.h>

#include <string>

#include "app.h"
#include "playing_field.h"
#include "scenes.h"
#include "transform.h"

namespace {

std::string fired;

struct Mark {
    char c;
};

void mark(Mark* m) { fired += m->c; }

TEST(SceneState, ResetFiresGameplayThenInterfaceWorkAndEmptiesTheScene) {
    init_scheduler(&game_scheduler);
    init_scheduler(&interface_scheduler);
    bucket_array_init(&render_object_pool);
    array_list_init(&gem_transforms, 16);

    schedule_action<mark>(&interface_scheduler, 3.0f, Mark{'i'}, "fade");
    schedule_action<mark>(&game_scheduler, 2.0f, Mark{'b'}, "later");
    schedule_action<mark>(&game_scheduler, 1.0f, Mark{'a'}, "sooner");
    animation_lock = 1;
    array_list_push(&gem_transforms, (Transform*)nullptr);
    for (int i = 0; i < 20; i++) array_list_push(&gem_transforms, bucket_array_alloc(&render_object_pool));
    bucket_array_release(&render_object_pool, gem_transforms.data[3]);

    reset_scene_state();
    EXPECT_EQ(fired, "bai") << "creation order, the gameplay scheduler first";
    EXPECT_EQ(animation_lock, 0);
    EXPECT_EQ(gem_transforms.count, 0u);
    u32 live = 0;
    bucket_array_for_each(&render_object_pool, [&](Transform*) { live++; });
    EXPECT_EQ(live, 0u);
    // No free record is left over: the next object is the pool's first.
    Transform* first = bucket_array_alloc(&render_object_pool);
    EXPECT_EQ(first, &render_object_pool.blocks[0][0]);

    // Nothing pending is left to fire later.
    update_scheduler(&game_scheduler, 10.0f);
    update_scheduler(&interface_scheduler, 10.0f);
    EXPECT_EQ(fired, "bai");

    bucket_array_destroy(&render_object_pool);
    array_list_free(&gem_transforms);
    destroy_scheduler(&game_scheduler);
    destroy_scheduler(&interface_scheduler);
}

}  // namespace
