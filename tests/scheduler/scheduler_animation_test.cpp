// Animations: timing of writes, exact end values, easing curves, vector and quaternion blends, panics.
#include "scheduler_helpers.h"

#include <glm/gtc/quaternion.hpp>

#include "vek/math_print.h"

namespace {

using F = std::vector<f32>;

// A registered kind that records the eased fraction it is given and writes it to the target.
std::vector<f32> spied;
void spy_interpolator(const void*, f32 t, const void*, void* out) {
    spied.push_back(t);
    memcpy(out, &t, sizeof(t));
}
constexpr Interpolatee spy_kind = (Interpolatee)5;

f32 overshoot_shaper(f32) {
    return 1.5f;
}

struct Animation_Test : Scheduler_Test {
    void SetUp() override {
        Scheduler_Test::SetUp();
        register_interpolator(s, Interpolatee::Vec3, interpolate_vec3, vec3_value_size);
        register_interpolator(s, Interpolatee::Quat, interpolate_quat, quat_value_size);
        register_interpolator(s, spy_kind, spy_interpolator, sizeof(f32));
        register_shaper(s, 3, overshoot_shaper);
        spied.clear();
    }
    // Steps a 0..1 float animation over [start, end] and returns the value after each step.
    F run(Shaper shaper, f32 start, f32 end, f32 dt, int steps, f32 initial = -7.0f) {
        f32 target = initial;
        schedule_animation(s, start, end, &target, Interpolatee::F32, 0.0f, 1.0f, shaper, "");
        F values;
        for (int i = 0; i < steps; i++) {
            update_scheduler(s, dt);
            values.push_back(target);
        }
        clear_scheduler(s);   // nothing may keep pointing at this frame's target
        return values;
    }
    // The eased fraction at t = k/4 for k = 1..4 of a one-second animation.
    F curve(Shaper shaper) {
        f32 target = 0, zero = 0;
        schedule_animation(s, 0.0f, 1.0f, &target, spy_kind, zero, zero, shaper, "");
        for (int i = 0; i < 4; i++) update_scheduler(s, 0.25f);
        clear_scheduler(s);
        return spied;
    }
};

TEST_F(Animation_Test, FloatStepsAndExactEnd) {
    EXPECT_EQ(run(Shaper::Linear, 0.0f, 1.0f, 0.25f, 4), (F{0.25f, 0.5f, 0.75f, 1.0f}));
    EXPECT_EQ(live_count(s->pool_ptrs.animations), 0u);   // ended and released
    // The step that passes the end (t = 1.2 here) still leaves exactly the end value.
    EXPECT_EQ(run(Shaper::Ease_In_Out, 0.0f, 1.0f, 0.3f, 4).back(), 1.0f);
    // The step shaper holds the start value until half time.
    EXPECT_EQ(run(Shaper::Step, 0.0f, 1.0f, 0.25f, 4), (F{0.0f, 1.0f, 1.0f, 1.0f}));
    EXPECT_EQ(run(Shaper::Step, 0.0f, 1.0f, 0.2f, 5), (F{0.0f, 0.0f, 1.0f, 1.0f, 1.0f}));
}

TEST_F(Animation_Test, StartTimesAndZeroLength) {
    // Untouched before the start, written from the update in which the start passes.
    EXPECT_EQ(run(Shaper::Linear, 0.5f, 1.5f, 0.25f, 3), (F{-7.0f, 0.0f, 0.25f}));
    // Zero length: the exact end value on the update that passes the start.
    EXPECT_EQ(run(Shaper::Linear, 0.5f, 0.5f, 0.25f, 3), (F{-7.0f, 1.0f, 1.0f}));
    glm::vec3 v(9.0f), from(0.0f), to(1.0f, 2.0f, 3.0f);
    schedule_animation(s, 0.3f, 0.3f, &v, Interpolatee::Vec3, from, to, Shaper::Linear, "");
    update_scheduler(s, 0.2f);
    EXPECT_EQ(v, glm::vec3(9.0f));
    update_scheduler(s, 0.2f);
    EXPECT_EQ(v, to);
}

TEST_F(Animation_Test, StartValueIsCopiedWhenScheduled) {
    f32 target = 0.0f;
    f32 from = 2.0f, to = 4.0f;
    schedule_animation(s, 0.0f, 1.0f, &target, Interpolatee::F32, from, to, Shaper::Linear, "");
    from = 100.0f;
    to = 200.0f;
    update_scheduler(s, 0.5f);
    EXPECT_EQ(target, 3.0f);
    update_scheduler(s, 0.5f);
    EXPECT_EQ(target, 4.0f);
}

TEST_F(Animation_Test, FloatsOvershootVectorsAndQuaternionsClamp) {
    const Shaper over = (Shaper)3;   // user shaper returning 1.5
    f32 f = 0;
    glm::vec3 v(0.0f);
    glm::quat q = identity_quat;
    glm::quat half_turn(-4.371139e-08f, -0.0f, 0.0f, 1.0f);
    schedule_animation(s, 0.0f, 1.0f, &f, Interpolatee::F32, 0.0f, 10.0f, over, "");
    schedule_animation(s, 0.0f, 1.0f, &v, Interpolatee::Vec3, glm::vec3(0.0f), glm::vec3(1.0f, 2.0f, 4.0f), over, "");
    schedule_animation(s, 0.0f, 1.0f, &q, Interpolatee::Quat, identity_quat, half_turn, over, "");
    update_scheduler(s, 0.5f);
    EXPECT_EQ(f, 15.0f);
    EXPECT_EQ(v, glm::vec3(1.0f, 2.0f, 4.0f));
    EXPECT_NEAR(q.w, half_turn.w, 1e-6f);
    EXPECT_NEAR(q.z, 1.0f, 1e-6f);

    // A step past the end hands the unclamped fraction to the blend, then writes the exact end.
    f32 target = 0, zero = 0, one = 1;
    schedule_animation(s, 0.0f, 1.0f, &target, spy_kind, zero, one, Shaper::Linear, "");
    update_scheduler(s, 1.5f);
    EXPECT_EQ(spied, F{1.5f});
    EXPECT_EQ(target, 1.0f);
}

TEST_F(Animation_Test, LaterInStorageOrderWritesLast) {
    f32 target = 0;
    schedule_animation(s, 0.0f, 1.0f, &target, Interpolatee::F32, 0.0f, 1.0f, Shaper::Linear, "");
    schedule_animation(s, 0.0f, 1.0f, &target, Interpolatee::F32, 5.0f, 6.0f, Shaper::Linear, "");
    update_scheduler(s, 0.5f);
    EXPECT_EQ(target, 5.5f);
}

TEST_F(Animation_Test, CompletionSeesTheEndValue) {
    static f32 target;
    static f32 seen;
    target = 0;
    struct Read {
        static void end() { seen = target; }
    };
    Animation* a = schedule_animation(s, 0.0f, 0.3f, &target, Interpolatee::F32, 0.0f, 2.0f, Shaper::Ease_In, "");
    a->completion = make_completion_action(s, Read::end, "read");
    update_scheduler(s, 0.2f);
    EXPECT_EQ(seen, 0.0f);
    update_scheduler(s, 0.2f);
    EXPECT_EQ(seen, 2.0f);
}

TEST_F(Animation_Test, EasingCurves) {
    EXPECT_EQ(curve(Shaper::Linear), (F{0.25f, 0.5f, 0.75f, 1.0f}));
    spied.clear();
    EXPECT_EQ(curve(Shaper::Ease_In), (F{0.0625f, 0.25f, 0.5625f, 1.0f}));
    spied.clear();
    EXPECT_EQ(curve(Shaper::Ease_Out), (F{0.4375f, 0.75f, 0.9375f, 1.0f}));
    spied.clear();
    EXPECT_EQ(curve(Shaper::Ease_In_Out), (F{0.125f, 0.5f, 0.875f, 1.0f}));
    spied.clear();
    EXPECT_EQ(curve(Shaper::Step), (F{0.0f, 1.0f, 1.0f, 1.0f}));
    spied.clear();
    // 0.8t^3 - 1.2t^2 + 1.4t with single-precision constants: 0.5 and 1 only up to their rounding.
    F middle = curve(Shaper::Slow_Middle);
    EXPECT_NEAR(middle[0], 0.2875f, 1e-6f);
    EXPECT_NEAR(middle[1], 0.5f, 1e-6f);
    EXPECT_NEAR(middle[2], 0.7125f, 1e-6f);
    EXPECT_NEAR(middle[3], 1.0f, 1e-6f);
    EXPECT_EQ(middle[1], (f32)(0.5 * (f64)1.4f + ((f64)-1.2f * 0.25 + (f64)0.8f * 0.125)));
}

TEST(Interpolate, VectorClampsFraction) {
    glm::vec3 a(1.0f, 2.0f, 3.0f), b(3.0f, 2.0f, -1.0f), out;
    interpolate_vec3(&a, 0.25f, &b, &out);
    EXPECT_EQ(out, glm::vec3(1.5f, 2.0f, 2.0f));
    interpolate_vec3(&a, -3.0f, &b, &out);
    EXPECT_EQ(out, a);
    interpolate_vec3(&a, 7.0f, &b, &out);
    EXPECT_EQ(out, b);
}

TEST(Interpolate, QuaternionMixWithoutSignFlip) {
    // Stored w, x, y, z.
    f32 from[4] = {1, 0, 0, 0};
    f32 half_turn[4] = {-4.371139e-08f, -0.0f, 0.0f, 1.0f};
    f32 out[4];
    interpolate_quat(from, 0.5f, half_turn, out);   // a quarter turn about z
    EXPECT_NEAR(out[0], 0.70710677f, 1e-6f);
    EXPECT_NEAR(out[3], 0.70710677f, 1e-6f);
    EXPECT_NEAR(out[1], 0.0f, 1e-6f);

    // More than a half turn apart (dot < 0): blended the long way, half of 270 degrees is 135.
    f32 three_quarters[4] = {-0.70710677f, 0, 0, 0.70710677f};
    interpolate_quat(from, 0.5f, three_quarters, out);
    EXPECT_NEAR(out[0], 0.38268343f, 1e-5f);
    EXPECT_NEAR(out[3], 0.92387953f, 1e-5f);

    interpolate_quat(from, 2.0f, three_quarters, out);
    EXPECT_NEAR(out[0], three_quarters[0], 1e-6f);
    EXPECT_NEAR(out[3], three_quarters[3], 1e-6f);
    interpolate_quat(from, -1.0f, three_quarters, out);
    EXPECT_NEAR(out[0], 1.0f, 1e-6f);

    // Nearly equal rotations are blended linearly, without normalising.
    f32 a[4] = {1, 0, 0, 0}, b[4] = {1, 0, 0, 0.5f};
    interpolate_quat(a, 0.5f, b, out);
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(out[3], 0.25f);
}

// --- panics --------------------------------------------------------------------------------------

TEST_F(Scheduler_Test, AnimationOfUnregisteredKindPanics) {
    f32 v[3] = {};
    Animation_Request request = {0.0f, 1.0f, v, Interpolatee::Vec3, v, v, Shaper::Linear, ""};
    EXPECT_SCHEDULER_PANIC(schedule_animation(s, &request), "schedule_animation",
                           "Interpolatee \\(0\\) size was 0 \\(was it initialized correctly\\)\\?");
    // Kinds past the table are never registered.
    request.type = (Interpolatee)0x90;
    EXPECT_SCHEDULER_PANIC(schedule_animation(s, &request), "schedule_animation", "Interpolatee \\(144\\)");
}

TEST_F(Scheduler_Test, MissingShaperOrInterpolatorPanicsOnFirstWrite) {
    f32 target = 0, zero = 0;
    s->value_sizes[7] = 4;   // a size without a blend function
    schedule_animation(s, 0.0f, 1.0f, &target, (Interpolatee)7, zero, zero, Shaper::Linear, "");
    EXPECT_SCHEDULER_PANIC(update_scheduler(s, 0.5f), "advance_single_animation",
                           "Interpolator function for type \\(7\\) was nullptr \\(was it initialized correctly\\)\\?");

    clear_scheduler(s);
    schedule_animation(s, 0.0f, 1.0f, &target, Interpolatee::F32, zero, zero, (Shaper)9, "");
    EXPECT_SCHEDULER_PANIC(update_scheduler(s, 0.5f), "shape",
                           "Shaper function for type \\(9\\) was nullptr \\(was it initialized correctly\\)\\?");
    clear_scheduler(s);
    schedule_animation(s, 0.0f, 1.0f, &target, Interpolatee::F32, zero, zero, (Shaper)0xF0, "");
    EXPECT_SCHEDULER_PANIC(update_scheduler(s, 0.5f), "shape", "type \\(240\\)");
}

void spy_nothing(const void*, f32, const void*, void*) {}

TEST_F(Scheduler_Test, KindUnregisteredBeforeTheEndPanics) {
    f32 target = 0, zero = 0;
    register_interpolator(s, (Interpolatee)2, spy_nothing, 4);
    schedule_animation(s, 0.0f, 1.0f, &target, (Interpolatee)2, zero, zero, Shaper::Linear, "");
    s->value_sizes[2] = 0;
    EXPECT_SCHEDULER_PANIC(update_scheduler(s, 1.0f), "step_animation", "Interpolatee \\(2\\) size was 0");
}

TEST_F(Scheduler_Test, RegistrationRefusesKindsAnAnimationCannotHold) {
    EXPECT_SCHEDULER_PANIC(register_interpolator(s, (Interpolatee)3, spy_nothing, 177),
                           "register_interpolator", "larger than an animation holds");
    EXPECT_SCHEDULER_PANIC(register_interpolator(s, Interpolatee::F32, spy_nothing, 4),
                           "register_interpolator", "cannot be registered");
}

}  // namespace
