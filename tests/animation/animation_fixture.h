// Gem animation test helpers: a board with one render object per gem, a scheduler of its own for the
// animations, time stepped in small frames, and a look at the sound actions waiting on the gameplay
// scheduler (they are read, never fired: the tests need no sound device).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio.h"
#include "board_builder.h"
#include "gem_animation.h"
#include "gem_objects.h"

struct Pending_Sound {
    f32 delay;
    std::string file;
    Sound_Engine* engine;
};

// The play actions waiting on game_scheduler, in storage (creation) order.
inline std::vector<Pending_Sound> pending_sounds() {
    std::vector<Pending_Sound> sounds;
    bucket_array_for_each(game_scheduler.pool_ptrs.actions, [&](Action_Item* item) {
        if (item->action.form != 0) return;
        if (item->action.callback.with_data != &_call_with_param<play_sound_action, Play_Sound_Param>) return;
        const Play_Sound_Param* p = (const Play_Sound_Param*)item->action.data.bytes;
        sounds.push_back({item->delay_s, p->file, p->engine});
    });
    return sounds;
}

template <typename T>
u32 live_items(Bucket_Array<T>* pool) {
    u32 n = 0;
    bucket_array_for_each(pool, [&](T*) { n++; });
    return n;
}

inline glm::vec3 cell(u8 x, u8 y) { return glm::vec3((f32)x, (f32)y, 0.0f); }

struct Animation_Test : testing::Test {
    Scheduler sched = {};
    Playing_Field pf = {};
    bool have_board = false;
    std::vector<Transform> objects;
    f64 now = 0;   // seconds advanced since the test began

    void SetUp() override {
        ensure_board_printers();
        ensure_animation_globals();
        clear_scheduler(&game_scheduler);   // sounds left by earlier tests
        init_scheduler(&sched);
        register_gem_interpolators(&sched);
        animation_lock = 0;
    }
    void TearDown() override {
        destroy_scheduler(&sched);
        if (have_board) free_playing_field(&pf);
        animation_lock = 0;
    }
    void board(const std::vector<std::string>& rows) {
        make_board(&pf, rows);
        have_board = true;
        place_gem_objects(&pf, &objects);
    }
    Transform* object_at(u8 x, u8 y) { return gem_transforms.data[get_gem_index_at(&pf, Pos{x, y})]; }
    // Advances the animation scheduler in frames of `frame` seconds until `until` seconds since the start.
    void run_until(f64 until, f64 frame = 1.0 / 120.0) {
        while (now + 1e-9 < until) {
            f64 step = until - now < frame ? until - now : frame;
            update_scheduler(&sched, (f32)step);
            now += step;
        }
    }
    // Resolves a turn the way the mouse handler does: with the scheduler, then the moved gem's object
    // is dropped on its destination cell.
    f32 play_turn(Turn turn) {
        u32 moved = get_gem_index_at(&pf, turn.pos);
        Pos to = turn.pos;
        switch (turn.dir) {
        case Flip_Dir::Up: to.y += 1; break;
        case Flip_Dir::Down: to.y -= 1; break;
        case Flip_Dir::Left: to.x -= 1; break;
        case Flip_Dir::Right: to.x += 1; break;
        }
        f32 time = do_turn(&pf, &turn, false, &sched);
        gem_transforms.data[moved]->position = cell(to.x, to.y);
        return time;
    }
    bool scheduler_idle() {
        return live_items(sched.pool_ptrs.animations) == 0 && live_items(sched.pool_ptrs.actions) == 0;
    }
};

#define EXPECT_VEC3_NEAR(actual, expected, tolerance)           \
    do {                                                        \
        glm::vec3 a_ = (actual), e_ = (expected);               \
        EXPECT_NEAR(a_.x, e_.x, tolerance) << "x";              \
        EXPECT_NEAR(a_.y, e_.y, tolerance) << "y";              \
        EXPECT_NEAR(a_.z, e_.z, tolerance) << "z";              \
    } while (0)
