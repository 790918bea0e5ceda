// Gem animations: eased moves of the gems' render objects and their sound effects, each rule's set
// starting at the turn's cursor time. The board has already changed; these only show it.
#include "gem_animation.h"

#include "app.h"
#include "audio.h"
#include "transform.h"
#include "vek/math_print.h"
#include "vek/print.h"
#include "vek/scheduler.h"

// Length of the slot a blue teleport or a purple swap takes on the cursor (its moves last 1.0 s).
static constexpr f32 advance_step = 1.2f;
// Length of every gem move.
static constexpr f32 move_duration = 1.0f;

// Bounds of the blue's ten flicker steps after t, written out rather than summed so that no rounding
// piles up from step to step.
static constexpr f32 flicker_bounds[11] = {0.0f,  0.05f, 0.1f,  0.15f, 0.2f, 0.25f,
                                           0.3f,  0.35f, 0.4f,  0.45f, 0.5f};

// Purple swap phases: lift until t + 0.3, turn until t + 0.6, lower until t + 1.0.
static constexpr f32 purple_phase = 0.3f;
static constexpr f32 purple_lift_height = 1.0f;
// Half a turn about z (w, x, y, z) as the float rotation of pi radians comes out.
static const glm::quat half_turn_z = glm::quat(-4.371139e-08f, -0.0f, 0.0f, 1.0f);

static glm::vec3 cell_position(Pos pos) { return glm::vec3((f32)pos.x, (f32)pos.y, 0.0f); }

static Transform* gem_transform(u32 gem) { return gem_transforms.data[gem]; }

// Sound effects always go to the gameplay scheduler, timed with the animation they belong to.
static void schedule_gem_sound(f32 delay, const char* file) {
    schedule_action<play_sound_action>(&game_scheduler, delay, Play_Sound_Param{file, audio_state.engine},
                                       "soundengine->play2D");
}

// A straight move of the gem's object from one cell to another over [t, t + 1.0].
static void schedule_move(u32 gem, Pos from, Pos to, Scheduler* sched, f32 t, Shaper shaper, const char* label) {
    Transform* object = gem_transform(gem);
    schedule_animation(sched, t, t + move_duration, &object->position, Interpolatee::Vec3, cell_position(from),
                       cell_position(to), shaper, label);
}

void animate_red_push(u32 gem, Pos from, Pos to, Scheduler* sched, Anim_Cursor* cursor, bool advance) {
    f32 t = cursor->time;
    schedule_move(gem, from, to, sched, t, Shaper::Ease_Out, "Red push animation");
    schedule_gem_sound(t, "audio/effects/gems/red_sfx.mp3");
    if (advance) cursor->time += advance_step;
}

void animate_yellow_pull(u32 gem, Pos from, Pos to, Scheduler* sched, Anim_Cursor* cursor, bool advance) {
    f32 t = cursor->time;
    schedule_move(gem, from, to, sched, t, Shaper::Ease_In, "Yellow pull animation");
    schedule_gem_sound(t, "audio/effects/gems/yellow_sfx.mp3");
    if (advance) cursor->time += advance_step;
}

struct Blue_Scale_Param {
    Transform* object;
    glm::vec3 scale;
};

static void show_blue_again_action(Blue_Scale_Param* param) { param->object->scale = param->scale; }

void animate_blue_teleport(u32 gem, Pos from, Pos to, Scheduler* sched, Anim_Cursor* cursor, bool advance) {
    f32 t = cursor->time;
    Transform* object = gem_transform(gem);
    const glm::vec3 s0 = object->scale;
    const glm::vec3 zero = glm::vec3(0.0f);

    // Five blinks: each out-step hides the gem at its half, each in-step shows it again; the last
    // step ends on the original scale.
    Animation* last_step = nullptr;
    for (u32 k = 0; k < 10; k++) {
        bool out = k % 2 == 0;
        last_step = schedule_animation(sched, t + flicker_bounds[k], t + flicker_bounds[k + 1], &object->scale,
                                       Interpolatee::Vec3, out ? s0 : zero, out ? zero : s0, Shaper::Step,
                                       out ? "Blue flicker animation (out)" : "Blue flicker animation (in)");
    }
    // A slow frame ends several 0.05 s steps in one update, and the scheduler writes their end values in
    // pool order, not time order: an out-step could write last and leave the gem hidden for good. The
    // last step's completion runs after every write of its update and shows the gem again.
    last_step->completion =
        make_completion_action<show_blue_again_action>(sched, Blue_Scale_Param{object, s0}, "Blue flicker end");
    // The jump itself happens at half time, while the gem is shown again after its last blink.
    schedule_move(gem, from, to, sched, t, Shaper::Step, "Blue teleport animation (move)");
    schedule_gem_sound(t, "audio/effects/gems/blue_sfx.mp3");
    if (advance) cursor->time += advance_step;
}

void animate_purple_swap(u32 purple, u32 partner, Pos purple_pos, Pos partner_pos, Scheduler* sched,
                         Anim_Cursor* cursor, bool advance) {
    f32 t = cursor->time;
    f32 t1 = t + purple_phase;
    f32 t2 = t1 + purple_phase;

    // A half turn about the midpoint puts each gem on the other's cell, also when they are not adjacent.
    Transform* pivot = bucket_array_alloc(&pivot_transform_pool);
    pivot->mesh = nullptr;
    pivot->material = nullptr;
    pivot->position = glm::vec3((f32)(purple_pos.x + partner_pos.x) * 0.5f,
                                (f32)(purple_pos.y + partner_pos.y) * 0.5f, 0.0f);
    pivot->rotation = identity_quat;
    pivot->scale = glm::vec3(1.0f);
    pivot->parent = nullptr;
    println("holdup: empty: %{->vec3}", &pivot->position);

    Pivot_Action_Param param = {gem_transform(purple), gem_transform(partner), pivot};
    schedule_action<parent_purple_gems_action>(sched, t, param, "parenting action for purple animation");

    glm::vec3 down = pivot->position;
    glm::vec3 up = glm::vec3(down.x, down.y, purple_lift_height);
    schedule_animation(sched, t, t1, &pivot->position, Interpolatee::Vec3, down, up, Shaper::Ease_Out,
                       "Purple animation (lift empty)");
    schedule_animation(sched, t1, t2, &pivot->rotation, Interpolatee::Quat, identity_quat, half_turn_z,
                       Shaper::Ease_In_Out, "Purple gem (Rotate empty)");
    Animation* lower = schedule_animation(sched, t2, t + move_duration, &pivot->position, Interpolatee::Vec3, up,
                                          down, Shaper::Ease_In, "Purple animation (lower empty)");
    lower->completion = make_completion_action<unparent_purple_gems_action>(
        sched, param, "unparenting action for purple animation");

    schedule_gem_sound(t, "audio/effects/gems/purple_sfx.mp3");
    if (advance) cursor->time += advance_step;
}

void parent_purple_gems_action(Pivot_Action_Param* param) {
    // Attach relative to the pivot's resting pose. After a long frame the lift or even the turn may
    // already have run when this fires; attaching to the moved pivot would then cancel the swap.
    Transform* pivot = param->pivot;
    glm::vec3 position = pivot->position;
    glm::quat rotation = pivot->rotation;
    pivot->position.z = 0.0f;
    pivot->rotation = identity_quat;
    set_parent(param->purple, pivot);
    set_parent(param->partner, pivot);
    pivot->position = position;
    pivot->rotation = rotation;
    // The gems ride at the pivot's height.
    param->purple->position.z = 0.0f;
    param->partner->position.z = 0.0f;
}

void unparent_purple_gems_action(Pivot_Action_Param* param) {
    // The lower has just ended, so the pivot rests down and turned. After a long frame all three phases
    // end in one update, and the lift may be the one that wrote the position last.
    param->pivot->position.z = 0.0f;
    param->pivot->rotation = half_turn_z;
    remove_parent(param->purple);
    remove_parent(param->partner);
}
