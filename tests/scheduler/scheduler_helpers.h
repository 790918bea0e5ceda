// Scheduler test helpers: a fresh scheduler per test, callbacks that log what fired, pool counts.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <vector>

#include "vek/panic.h"
#include "vek/scheduler.h"

// What the logging callbacks fired, in order, and the scheduler they act on.
inline std::vector<int> fired;
inline Scheduler* sched = nullptr;

struct Note {
    int id;
};

inline void note(Note* n) {
    fired.push_back(n->id);
}

template <typename T>
u32 live_count(Bucket_Array<T>* pool) {
    u32 n = 0;
    bucket_array_for_each(pool, [&](T*) { n++; });
    return n;
}

struct Scheduler_Test : testing::Test {
    Scheduler* s = nullptr;
    void SetUp() override {
        s = new Scheduler{};
        init_scheduler(s);
        sched = s;
        fired.clear();
    }
    void TearDown() override {
        destroy_scheduler(s);
        delete s;
        sched = nullptr;
    }
    Action_Item* note_in(f32 delay, int id) { return schedule_action<note>(s, delay, Note{id}, "note"); }
    // A float animation with a logging completion.
    Animation* note_at_end(f32* target, f32 end, int id) {
        Animation* a = schedule_animation(s, 0.0f, end, target, Interpolatee::F32, 0.0f, 1.0f, Shaper::Linear, "");
        a->completion = make_completion_action<note>(s, Note{id}, "note");
        return a;
    }
};

// Runs fn in a death test and expects the scheduler's panic report from `function`.
#define EXPECT_SCHEDULER_PANIC(fn, function, message)                                              \
    do {                                                                                                  \
        GTEST_FLAG_SET(death_test_style, "threadsafe");                                                  \
        EXPECT_EXIT(                                                                                      \
            {                                                                                             \
                dup2(2, 1);                                                                               \
                init_printer();                                                                           \
                fn;                                                                                       \
            },                                                                                            \
            testing::KilledBySignal(SIGTRAP),                                                             \
            "\\[Panic\\].* in file .*src/\\.\\./deps/vek/scheduler.* line .*[0-9]+.*: \\(.*" function \
            ".*\\)\n.*" message);                                                                         \
    } while (0)
