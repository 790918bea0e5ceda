// Test helpers for turns with a scheduler: the gem animations move the render object of every moved
// gem and play their sounds through the gameplay scheduler, so such turns need one object per gem and
// the globals the game sets up at start.
#pragma once

#include <vector>

#include "app.h"
#include "capture.h"
#include "playing_field.h"
#include "transform.h"
#include "vek/math_print.h"
#include "vek/scheduler.h"

// Value kinds the gem animations use, as the game registers them.
inline void register_gem_interpolators(Scheduler* s) {
    register_interpolator(s, Interpolatee::Vec3, interpolate_vec3, vec3_value_size);
    register_interpolator(s, Interpolatee::Quat, interpolate_quat, quat_value_size);
}

// Once per test binary: printers (the purple swap logs a vector), the gameplay scheduler that takes
// the sound actions, the pivot pool and the gem-object list.
inline void ensure_animation_globals() {
    static bool done = false;
    if (done) return;
    ensure_printer();
    register_math_printers();
    init_scheduler(&game_scheduler);
    register_gem_interpolators(&game_scheduler);
    bucket_array_init(&pivot_transform_pool);
    array_list_init(&gem_transforms, 16);
    done = true;
}

// Gem objects have this scale in the tests, so that scale animations are seen to end where they began.
constexpr f32 test_gem_scale = 0.28f;

// One render object per gem of pf on its cell, listed in gem_transforms by gem index (entry 0 null).
// `objects` owns them; it must outlive every scheduler update that animates them.
inline void place_gem_objects(const Playing_Field* pf, std::vector<Transform>* objects) {
    ensure_animation_globals();
    objects->assign(pf->gems.count, Transform{});
    gem_transforms.count = 0;
    array_list_push(&gem_transforms, (Transform*)nullptr);
    for (u32 i = 1; i < pf->gems.count; i++) {
        const Gem* gem = &pf->gems.data[i];
        (*objects)[i] = Transform{nullptr, nullptr, glm::vec3((f32)gem->x, (f32)gem->y, 0.0f), identity_quat,
                                  glm::vec3(test_gem_scale), nullptr};
        array_list_push(&gem_transforms, &(*objects)[i]);
    }
}
