// Randomized check: random actions, animations, resets and clears, scheduled from outside and from
// inside callbacks, run on the scheduler and on a plain reference model with one pending list. The
// two must fire the same actions in the same order; animation targets are checked against the model.
#include "scheduler_helpers.h"

#include <math.h>

#include <algorithm>
#include <deque>

namespace {

u64 mix64(u64 x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

struct Rng {
    u64 state;
    u32 below(u32 n) { return (u32)((state = mix64(state)) % n); }
};

f32 random_delay(Rng* r) {
    static const f32 fixed[] = {0.0f, 0.005f, 0.016f, 0.05f, 0.1f, 0.25f, 0.5f, 1.0f, 2.0f};
    u32 k = r->below(24);
    if (k == 0) return NAN;   // never due
    if (k < 10) return fixed[k - 1];
    return (f32)r->below(1500) / 1000.0f;
}

const Shaper shapers[] = {Shaper::Linear, Shaper::Ease_In, Shaper::Ease_Out, Shaper::Slow_Middle,
                          Shaper::Ease_In_Out, Shaper::Step};

struct Anim_Spec {
    u32 id;
    f32 start, end, from, to;
    Shaper shaper;
    u32 completion;   // id of the completion action, 0 = none
};

// Chooses the work and the reactions of fired actions from (seed, id) alone, so the scheduler and the
// model, which fire the same ids in the same order, make the same choices.
template <typename Backend>
struct Driver {
    Backend* backend;
    u64 seed;
    u32 next_id = 1;

    void spawn(Rng* r) {
        u32 id = next_id++;
        if (r->below(10) < 7) {
            backend->action(id, random_delay(r));
            return;
        }
        Anim_Spec a = {id, 0, 0, (f32)r->below(100), (f32)r->below(100), shapers[r->below(6)], 0};
        a.start = r->below(3) == 0 ? 0.0f : random_delay(r);
        if (isnan(a.start)) a.start = 0.0f;
        a.end = a.start + (r->below(5) == 0 ? 0.0f : (f32)r->below(800) / 1000.0f);
        if (r->below(2)) a.completion = next_id++;
        backend->animation(a);
    }

    void on_fire(u32 id) {
        Rng r = {mix64(seed * 0x100000001B3ull ^ id)};
        static const u32 counts[] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2};
        u32 before = counts[r.below(20)];
        u32 event = r.below(100);
        for (u32 i = 0; i < before; i++) spawn(&r);
        if (event < 6) backend->reset();
        else if (event < 10) backend->clear();
        if (event < 10)
            for (u32 i = counts[r.below(20)]; i > 0; i--) spawn(&r);
    }
};

// --- the scheduler ---------------------------------------------------------------------------------

struct Id_Param {
    u32 id;
    u32 check;
};

struct Real {
    Driver<Real>* driver;
    Scheduler* s;
    std::vector<u32> log;
    std::deque<f32> targets;   // one per animation, in creation order (stable addresses)
    static inline Real* current = nullptr;

    static void fire(Id_Param* p) {
        ASSERT_EQ(p->check, ~p->id) << "parameter block of a stale or overwritten action";
        current->log.push_back(p->id);
        current->driver->on_fire(p->id);
    }
    void action(u32 id, f32 delay) { schedule_action<fire>(s, delay, Id_Param{id, ~id}, "random action"); }
    void animation(const Anim_Spec& a) {
        targets.push_back(-1000.0f);
        f32* target = &targets.back();
        Animation* anim =
            schedule_animation(s, a.start, a.end, target, Interpolatee::F32, a.from, a.to, a.shaper, "random animation");
        if (a.completion) anim->completion = make_completion_action<fire>(s, Id_Param{a.completion, ~a.completion}, "");
    }
    void reset() { reset_scheduler(s); }
    void clear() { clear_scheduler(s); }
    void update(f32 dt) { update_scheduler(s, dt); }
};

// --- the model: one pending list, no pools ----------------------------------------------------------

struct Model {
    enum class State { Pending, Fired, Dropped };
    struct Item {
        u32 id;
        u64 sequence;
        f32 delay;
        s32 animation;   // index of the animation whose completion this is, -1 for a plain action
        State state;
        bool due;        // in the running update's due list
    };
    enum class Anim_State { Live, Ended, Dropped };
    struct Anim {
        Anim_Spec spec;
        f32 start_countdown, end_countdown;
        s32 completion;
        Anim_State state;
        bool written;   // an update has stepped it past its start
    };

    Driver<Model>* driver;
    std::vector<Item> items;
    std::vector<Anim> anims;
    std::vector<u32> log;
    u64 next_sequence = 0;
    u32 event_count = 0;
    bool in_pass = false;
    bool pass_reset = false;
    bool reset_firing = false;

    void action(u32 id, f32 delay) { items.push_back({id, next_sequence++, delay, -1, State::Pending, false}); }
    void animation(const Anim_Spec& a) {
        anims.push_back({a, a.start, a.end, -1, Anim_State::Live, false});
        if (a.completion) {
            anims.back().completion = (s32)items.size();
            items.push_back({a.completion, next_sequence++, 0.0f, (s32)anims.size() - 1, State::Pending, false});
        }
    }
    void fire(u32 i) {
        items[i].state = State::Fired;
        log.push_back(items[i].id);
        driver->on_fire(items[i].id);
    }
    // Every pending item goes, except the running update's due actions, which still fire in its pass.
    void drop_pending() {
        for (Item& item : items)
            if (item.state == State::Pending && !(in_pass && item.due)) item.state = State::Dropped;
        for (Anim& a : anims)
            if (a.state == Anim_State::Live) a.state = Anim_State::Dropped;
    }
    std::vector<u32> by_sequence(std::vector<u32> list) {
        std::sort(list.begin(), list.end(), [&](u32 a, u32 b) { return items[a].sequence < items[b].sequence; });
        return list;
    }
    void reset() {
        std::vector<u32> pending;
        for (u32 i = 0; i < items.size(); i++)
            if (items[i].state == State::Pending) pending.push_back(i);
        u32 events = event_count;
        bool outer_firing = reset_firing;
        reset_firing = true;
        for (u32 i : by_sequence(pending)) {
            if (event_count != events) break;   // a nested reset took over
            if (items[i].state == State::Pending) fire(i);
        }
        reset_firing = outer_firing;
        if (in_pass) pass_reset = true;
        drop_pending();
        event_count++;
    }
    // A clear while a reset fires has nothing to drop that the reset does not drop when it ends.
    void clear() {
        if (reset_firing) return;
        drop_pending();
        event_count++;
    }
    void update(f32 dt) {
        std::vector<u32> due;
        for (Anim& a : anims) {
            if (a.state != Anim_State::Live) continue;
            a.start_countdown -= dt;
            a.end_countdown -= dt;
            if (!(a.start_countdown > 0)) a.written = true;
            if (a.end_countdown <= 0) {
                a.state = Anim_State::Ended;
                if (a.completion >= 0) due.push_back((u32)a.completion);
            }
        }
        for (u32 i = 0; i < items.size(); i++) {
            Item& item = items[i];
            if (item.state != State::Pending || item.animation >= 0) continue;
            item.delay -= dt;
            if (item.delay <= 0) due.push_back(i);
        }
        due = by_sequence(due);
        for (u32 i : due) items[i].due = true;
        in_pass = true;
        pass_reset = false;
        for (u32 i : due) {
            if (items[i].state != State::Pending) continue;
            fire(i);
            if (pass_reset) break;
        }
        in_pass = false;
        for (u32 i : due) {
            items[i].due = false;
            if (items[i].state == State::Pending) items[i].state = State::Dropped;
        }
    }
};

// --- the run ---------------------------------------------------------------------------------------

template <typename Backend>
void top_level_step(Driver<Backend>* driver, Rng r) {
    static const f32 steps[] = {0.0f, 0.016f, 0.033f, 0.1f, 0.5f};
    u32 op = r.below(100);
    if (op < 60) driver->backend->update(steps[r.below(5)]);
    else if (op < 85)
        for (u32 n = 1 + r.below(3); n > 0; n--) driver->spawn(&r);
    else if (op < 93) driver->backend->reset();
    else driver->backend->clear();
}

void run_seed(u64 seed, u32 steps) {
    Scheduler* s = new Scheduler{};
    init_scheduler(s);
    Real real = {};
    Model model = {};
    Driver<Real> real_driver = {&real, seed};
    Driver<Model> model_driver = {&model, seed};
    real.driver = &real_driver;
    real.s = s;
    model.driver = &model_driver;
    Real::current = &real;
    if (seed % 2) s->next_sequence = model.next_sequence = 0xFFFFF000ull;   // cross the 32-bit wrap

    std::vector<f32> dropped_value;   // what a dropped animation left in its target (NaN: not yet)
    std::vector<bool> seen;
    for (u32 step = 0; step < steps; step++) {
        Rng r = {mix64(seed * 7919 + step)};
        size_t logged = real.log.size();
        top_level_step(&real_driver, r);
        top_level_step(&model_driver, r);
        ASSERT_EQ(real.log, model.log) << "seed " << seed << " step " << step;

        for (size_t i = logged; i < real.log.size(); i++) {
            u32 id = real.log[i];
            if (seen.size() <= id) seen.resize(id + 1);
            ASSERT_FALSE(seen[id]) << "fired twice: " << id;
            seen[id] = true;
        }

        // Idle between updates, with exactly the model's pending work in the current pools.
        ASSERT_EQ(s->in_update, 0);
        ASSERT_EQ(s->use_other_set, 0);
        ASSERT_EQ(s->ready.count, 0u);
        ASSERT_EQ(s->deferred_free_actions.count + s->deferred_free_animations.count, 0u);
        u32 pending_actions = 0, live_anims = 0;
        for (const Model::Item& item : model.items)
            pending_actions += item.state == Model::State::Pending && item.animation < 0;
        for (const Model::Anim& a : model.anims) live_anims += a.state == Model::Anim_State::Live;
        ASSERT_EQ(live_count(s->pool_ptrs.actions), pending_actions) << "seed " << seed << " step " << step;
        ASSERT_EQ(live_count(s->pool_ptrs.animations), live_anims) << "seed " << seed << " step " << step;
        ASSERT_EQ(live_count(s->pool_ptrs.other_actions) + live_count(s->pool_ptrs.other_animations), 0u);

        // Targets: untouched before the start, within the range while running, exactly the end value
        // once ended, and never written again once dropped.
        ASSERT_EQ(real.targets.size(), model.anims.size());
        dropped_value.resize(model.anims.size(), NAN);
        for (size_t k = 0; k < model.anims.size(); k++) {
            const Model::Anim& a = model.anims[k];
            f32 value = real.targets[k];
            const Anim_Spec& spec = a.spec;
            switch (a.state) {
                case Model::Anim_State::Live:
                    if (!a.written) {
                        ASSERT_EQ(value, -1000.0f) << "animation " << spec.id;
                    } else {
                        f32 slack = 1e-3f * fabsf(spec.to - spec.from);
                        ASSERT_GE(value, std::min(spec.from, spec.to) - slack) << "animation " << spec.id;
                        ASSERT_LE(value, std::max(spec.from, spec.to) + slack) << "animation " << spec.id;
                    }
                    break;
                case Model::Anim_State::Ended: ASSERT_EQ(value, spec.to) << "animation " << spec.id; break;
                case Model::Anim_State::Dropped:
                    if (isnan(dropped_value[k])) dropped_value[k] = value;
                    ASSERT_EQ(value, dropped_value[k]) << "dropped animation " << spec.id << " still writes";
                    break;
            }
        }
    }

    // A final reset leaves nothing pending: every action fired exactly once or was dropped.
    reset_scheduler(s);
    model.reset();
    ASSERT_EQ(real.log, model.log);
    for (const Model::Item& item : model.items) ASSERT_NE(item.state, Model::State::Pending);
    EXPECT_GT(real.log.size(), steps / 4);   // the run did fire a fair amount of work

    destroy_scheduler(s);
    delete s;
    Real::current = nullptr;
}

TEST(Scheduler_Random, MatchesReferenceModel) {
    for (u64 seed = 1; seed <= 12; seed++) {
        run_seed(seed, 3000);
        if (HasFatalFailure()) return;
    }
}

}  // namespace
