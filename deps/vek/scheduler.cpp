// vek scheduler: pools of actions and animations, the per-frame update that fires due actions in
// creation order, and the reset and clear that stay safe when called from the scheduler's own callbacks.
#include "vek/scheduler.h"

#include <float.h>
#include <math.h>

#include <algorithm>
#include <glm/gtc/quaternion.hpp>

#include "vek/panic.h"


static_assert(sizeof(Animation::from) == sizeof(Data_Block) && sizeof(Animation::to) == sizeof(Data_Block));

// ---------------------------------------------------------------------------------------------------
// Pools

void init_scheduler(Scheduler* scheduler) {
    for (Scheduler_Pool_Set& set : scheduler->pools) {
        bucket_array_init(&set.animations);
        bucket_array_init(&set.actions);
        bucket_array_init(&set.completions);
    }
    Scheduler_Pool_Set* a = &scheduler->pools[0];
    Scheduler_Pool_Set* b = &scheduler->pools[1];
    scheduler->pool_ptrs = {&a->animations, &a->actions, &a->completions,
                            &b->animations, &b->actions, &b->completions};
    array_list_init(&scheduler->deferred_free_animations, 16);
    array_list_init(&scheduler->deferred_free_actions, 16);
    array_list_init(&scheduler->ready, 20);
}

void destroy_scheduler(Scheduler* scheduler) {
    for (Scheduler_Pool_Set& set : scheduler->pools) {
        bucket_array_destroy(&set.animations);
        bucket_array_destroy(&set.actions);
        bucket_array_destroy(&set.completions);
    }
    vek_free(scheduler->deferred_free_animations.data);
    vek_free(scheduler->deferred_free_actions.data);
    vek_free(scheduler->ready.data);
}

static void swap_sets(Scheduler* scheduler) {
    Scheduler_Pool_Ptrs* p = &scheduler->pool_ptrs;
    std::swap(p->animations, p->other_animations);
    std::swap(p->actions, p->other_actions);
    std::swap(p->completions, p->other_completions);
}

// Outside an update: everything pending goes, and the emptied set becomes the other one.
static void empty_current_set(Scheduler* scheduler) {
    scheduler->use_other_set = 0;
    bucket_array_reset(scheduler->pool_ptrs.animations);
    bucket_array_reset(scheduler->pool_ptrs.actions);
    bucket_array_reset(scheduler->pool_ptrs.completions);
    scheduler->deferred_free_animations.count = 0;
    scheduler->deferred_free_actions.count = 0;
    swap_sets(scheduler);
    scheduler->empty_count++;
}

// Inside an update: the current set is still being fired from, so new work goes to a fresh other set
// and the current one is emptied when the update ends.
static void switch_to_other_set(Scheduler* scheduler) {
    scheduler->use_other_set = 1;
    bucket_array_reset(scheduler->pool_ptrs.other_animations);
    bucket_array_reset(scheduler->pool_ptrs.other_actions);
    bucket_array_reset(scheduler->pool_ptrs.other_completions);
    scheduler->empty_count++;
}

void register_interpolator(Scheduler* scheduler, Interpolatee type, Interpolator interpolator, u64 value_size) {
    u8 kind = (u8)type;
    if (kind >= 127) panic("Interpolatee (%d) cannot be registered (kinds are 0 to 126)", (int)kind);
    if (value_size > sizeof(Animation::from))
        panic("Interpolatee (%d) size %llu is larger than an animation holds (%llu)", (int)kind,
              (unsigned long long)value_size, (unsigned long long)sizeof(Animation::from));
    scheduler->interpolators[kind] = interpolator;
    scheduler->value_sizes[kind] = value_size;
}

void register_shaper(Scheduler* scheduler, u8 code, Shaper_Function shaper) {
    if (code >= 127) panic("Shaper (%d) cannot be registered (user codes are 0 to 126)", (int)code);
    scheduler->shapers[code] = shaper;
}

// ---------------------------------------------------------------------------------------------------
// Actions

void _init_action(Scheduler* scheduler, Action* action, const Action_Create_Info* info) {
    action->next = nullptr;
    action->sequence = scheduler->next_sequence++;
    action->fired = 0;
    if (info->param) {
        if (info->param_size >= sizeof(Data_Block) + 1)
            panic("%llu (sizeof(Data_Block)) < %u (aci.param_size)",
                     (unsigned long long)sizeof(Data_Block), info->param_size);
        action->form = 0;
        action->callback = info->callback;
        memcpy(action->data.bytes, info->param, info->param_size);
    } else {
        action->form = 1;
        action->callback = info->callback;
        memset(action->data.bytes, 0, sizeof(Data_Block));
    }
}

Action_Item* schedule_action(Scheduler* scheduler, const Action_Request* request) {
    Bucket_Array<Action_Item>* pool =
        scheduler->use_other_set ? scheduler->pool_ptrs.other_actions : scheduler->pool_ptrs.actions;
    Action_Item* item = bucket_array_alloc(pool);
    item->delay_s = request->delay_s;
    _init_action(scheduler, &item->action, &request->info);
    return item;
}

Action* make_completion_action(Scheduler* scheduler, const Action_Create_Info* info) {
    Bucket_Array<Action>* pool =
        scheduler->use_other_set ? scheduler->pool_ptrs.other_completions : scheduler->pool_ptrs.completions;
    Action* action = bucket_array_alloc(pool);
    _init_action(scheduler, action, info);
    return action;
}

static void fire(Action* action) {
    action->fired = 1;
    if (action->form == 0) action->callback.with_data(&action->data);
    else action->callback.plain();
}

// Creation order from the low 32 bits of the sequence numbers; the difference is taken unsigned so
// that it wraps instead of overflowing.
static int compare_sequence(const void* a, const void* b) {
    u32 x = (u32)(*(Action* const*)a)->sequence;
    u32 y = (u32)(*(Action* const*)b)->sequence;
    return (s32)(x - y);
}

// ---------------------------------------------------------------------------------------------------
// Update, reset, clear

void update_scheduler(Scheduler* scheduler, f32 dt) {
    bucket_array_for_each(scheduler->pool_ptrs.animations,
                          [&](Animation* animation) { step_animation(scheduler, animation, dt); });

    bucket_array_for_each(scheduler->pool_ptrs.actions, [&](Action_Item* item) {
        item->delay_s -= dt;
        if (item->delay_s <= 0) {   // a NaN delay never falls due
            array_list_push(&scheduler->ready, &item->action);
            array_list_push(&scheduler->deferred_free_actions, item);
        }
    });

    if (scheduler->ready.count >= 2)
        qsort(scheduler->ready.data, scheduler->ready.count, sizeof(Action*), compare_sequence);

    scheduler->in_update = 1;
    scheduler->reset_requested = 0;
    for (u32 i = 0; i < scheduler->ready.count; i++) {
        Action* action = scheduler->ready.data[i];
        if (action->fired) continue;   // a reset fired it already
        fire(action);
        // A chain fires right behind its head; chained records go back to the completion pool.
        Action* chained = action->next;
        while (chained && !scheduler->reset_requested) {
            fire(chained);
            Action* following = chained->next;
            bucket_array_release(scheduler->pool_ptrs.completions, chained);
            chained = following;
        }
        if (scheduler->reset_requested) break;
    }
    scheduler->ready.count = 0;
    scheduler->in_update = 0;

    if (scheduler->use_other_set) {
        // A reset or clear dropped the set this update fired from; what its callbacks scheduled
        // afterwards sits in the other set, which becomes current.
        empty_current_set(scheduler);
    } else {
        for (u32 i = 0; i < scheduler->deferred_free_animations.count; i++)
            bucket_array_release(scheduler->pool_ptrs.animations, scheduler->deferred_free_animations.data[i]);
        for (u32 i = 0; i < scheduler->deferred_free_actions.count; i++)
            bucket_array_release(scheduler->pool_ptrs.actions, scheduler->deferred_free_actions.data[i]);
        scheduler->deferred_free_animations.count = 0;
        scheduler->deferred_free_actions.count = 0;
    }
}

// Appends the not yet fired actions and animation completions of one pool set, in storage order.
static void collect_pending(Array_List<Action*>* list, Bucket_Array<Action_Item>* actions,
                            Bucket_Array<Animation>* animations) {
    bucket_array_for_each(actions, [&](Action_Item* item) {
        if (!item->action.fired) array_list_push(list, &item->action);
    });
    // Animations that ended in the running update are still live here; their fired completions are skipped.
    bucket_array_for_each(animations, [&](Animation* animation) {
        if (animation->completion && !animation->completion->fired) array_list_push(list, animation->completion);
    });
}

void reset_scheduler(Scheduler* scheduler) {
    Array_List<Action*> pending;
    array_list_init(&pending, 16);
    if (scheduler->use_other_set) {
        // An earlier reset or clear of this update already dealt with the current set: what is still
        // pending is the update's due actions that a clear left to fire, and the work scheduled since.
        for (u32 i = 0; i < scheduler->ready.count; i++)
            if (!scheduler->ready.data[i]->fired) array_list_push(&pending, scheduler->ready.data[i]);
        collect_pending(&pending, scheduler->pool_ptrs.other_actions, scheduler->pool_ptrs.other_animations);
    } else {
        collect_pending(&pending, scheduler->pool_ptrs.actions, scheduler->pool_ptrs.animations);
    }
    if (pending.count >= 2) qsort(pending.data, pending.count, sizeof(Action*), compare_sequence);

    u32 empty_count = scheduler->empty_count;
    u8 outer_reset_firing = scheduler->reset_firing;
    scheduler->reset_firing = 1;
    for (u32 i = 0; i < pending.count; i++) {
        // A callback that reset this scheduler again has fired the rest of this list, and the items
        // may already be reused: stop. (A clear does nothing while a reset fires, see clear_scheduler.)
        if (scheduler->empty_count != empty_count) break;
        if (pending.data[i]->fired) continue;
        fire(pending.data[i]);
    }
    scheduler->reset_firing = outer_reset_firing;

    scheduler->reset_requested = 1;
    if (scheduler->in_update) switch_to_other_set(scheduler);
    else empty_current_set(scheduler);
    vek_free(pending.data);
}

void clear_scheduler(Scheduler* scheduler) {
    // While a reset fires its list, whatever a clear would drop goes when that reset ends (all work
    // scheduled meanwhile is dropped with it), and emptying the pools now would hand the list's
    // records out again: the firing reset keeps the pools and goes on with its list.
    if (scheduler->reset_firing) return;
    if (scheduler->in_update) switch_to_other_set(scheduler);
    else empty_current_set(scheduler);
}

// ---------------------------------------------------------------------------------------------------
// Animations

// Byte size of a value kind; 0 when the kind is not registered (codes past the table never are).
static u64 value_size(const Scheduler* scheduler, Interpolatee type) {
    if (type == Interpolatee::F32) return sizeof(f32);
    u8 kind = (u8)type;
    return kind < 127 ? scheduler->value_sizes[kind] : 0;
}

Animation* schedule_animation(Scheduler* scheduler, const Animation_Request* request) {
    Bucket_Array<Animation>* pool =
        scheduler->use_other_set ? scheduler->pool_ptrs.other_animations : scheduler->pool_ptrs.animations;
    Animation* animation = bucket_array_alloc(pool);
    animation->completion = nullptr;
    animation->shaper = request->shaper;
    animation->type = request->type;
    animation->target = request->target;
    animation->start_countdown = request->start_s;
    animation->end_countdown = request->end_s;
    u64 size = value_size(scheduler, request->type);
    if (size == 0)
        panic("Interpolatee (%d) size was 0 (was it initialized correctly)?",
                 (int)request->type);
    memcpy(animation->from, request->from, size);
    memcpy(animation->to, request->to, size);
    return animation;
}

// The easing curve at t, in double precision for the built-in codes.
static f64 shape(const Scheduler* scheduler, Shaper shaper, f64 t) {
    switch (shaper) {
        case Shaper::Linear: return t;
        case Shaper::Ease_In: return t * t;
        case Shaper::Ease_Out: return -t * (t - 2);
        case Shaper::Slow_Middle:
            return t * (f64)1.4f + (((f64)-1.2f * t) * t + (((f64)0.8f * t) * t) * t);
        case Shaper::Ease_In_Out:
            if (t < 0.5) return t * (t + t);
            return -1 - 2 * ((t - 2) * t);
        case Shaper::Step: return t < 0.5 ? 0 : 1;
        default: break;
    }
    u8 code = (u8)shaper;
    Shaper_Function user = code < 127 ? scheduler->shapers[code] : nullptr;
    if (!user)
        panic("Shaper function for type (%d) was nullptr (was it initialized correctly)?", (int)code);
    return user((f32)t);
}

void advance_single_animation(Scheduler* scheduler, Animation* animation) {
    if (animation->start_countdown > 0) return;   // not started yet
    f32 span = animation->end_countdown - animation->start_countdown;
    f64 t = (f64)(-animation->start_countdown) / (f64)span;
    f64 s = shape(scheduler, animation->shaper, t);
    if (animation->type == Interpolatee::F32) {
        f32 from, to;
        memcpy(&from, animation->from, sizeof(f32));
        memcpy(&to, animation->to, sizeof(f32));
        // Not clamped: a shaper may overshoot, and so may the step past the end.
        f32 value = (f32)(s * (f64)(to - from) + (f64)from);
        memcpy(animation->target, &value, sizeof(f32));
        return;
    }
    u8 kind = (u8)animation->type;
    Interpolator interpolator = kind < 127 ? scheduler->interpolators[kind] : nullptr;
    if (!interpolator)
        panic("Interpolator function for type (%d) was nullptr (was it initialized correctly)?", (int)kind);
    interpolator(animation->from, (f32)s, animation->to, animation->target);
}

void step_animation(Scheduler* scheduler, Animation* animation, f32 dt) {
    animation->start_countdown -= dt;
    animation->end_countdown -= dt;
    advance_single_animation(scheduler, animation);
    if (animation->end_countdown <= 0) {   // a NaN never ends
        u64 size = value_size(scheduler, animation->type);
        if (size == 0)
            panic("Interpolatee (%d) size was 0 (was it initialized correctly)?",
                     (int)animation->type);
        memcpy(animation->target, animation->to, size);
        array_list_push(&scheduler->deferred_free_animations, animation);
        if (animation->completion) array_list_push(&scheduler->ready, animation->completion);
    }
}

static f32 clamp_fraction(f32 t) {
    return std::min(1.0f, std::max(0.0f, t));
}

void interpolate_vec3(const void* from, f32 t, const void* to, void* out) {
    t = clamp_fraction(t);
    f32 a[3], b[3], r[3];
    memcpy(a, from, sizeof(a));
    memcpy(b, to, sizeof(b));
    for (int i = 0; i < 3; i++) r[i] = (b[i] - a[i]) * t + a[i];
    memcpy(out, r, sizeof(r));
}

void interpolate_quat(const void* from, f32 t, const void* to, void* out) {
    static_assert(sizeof(glm::quat) == 16);
    glm::quat a, b;
    memcpy(&a, from, sizeof(a));   // w, x, y, z in memory, as glm stores them here
    memcpy(&b, to, sizeof(b));
    // glm's mix: linear close to equal rotations, spherical otherwise, and no sign flip for
    // opposite hemispheres (such a pair turns the long way round).
    glm::quat r = glm::mix(a, b, clamp_fraction(t));
    memcpy(out, &r, sizeof(r));
}
