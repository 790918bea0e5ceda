// vek scheduler: timed actions (callbacks with a copied parameter record) and eased animations of
// values in memory, advanced by the owner once per frame. Callbacks may schedule, reset or clear the
// scheduler that fires them: new work then goes to a second set of pools so it survives the update.
#pragma once

#include <type_traits>

#include "vek/memory.h"

// ---------------------------------------------------------------------------------------------------
// Actions

// Parameter storage of an action: the first param_size bytes are a copy of the caller's record.
// Aligned so that any record of plain fields can be read in place.
struct alignas(16) Data_Block {
    u8 bytes[176];
};
static_assert(sizeof(Data_Block) == 176);

// An action's callback; `form` says which member is set.
union Action_Callback {
    void (*with_data)(Data_Block* data);   // form 0: gets the action's parameter copy
    void (*plain)();                       // form 1: no arguments
};

struct Action {
    u32 form;                  // 0: callback.with_data(&data); 1: callback.plain()
    Action_Callback callback;
    Data_Block data;           // all zero for an action without parameter
    Action* next;              // fired right after this one in an update's pass (null = none)
    u64 sequence;              // creation number: due actions fire in ascending order of it
    u8 fired;                  // set just before the callback runs; a fired action never fires again
};

// A record of the action pool: a countdown and the action it fires.
struct Action_Item {
    f32 delay_s;
    Action action;
};

struct Action_Create_Info {
    u32 form;                  // 0 with a parameter, 1 without
    Action_Callback callback;
    const void* param;         // caller's parameter record, copied at once (null = none)
    u32 param_size;            // bytes to copy, at most sizeof(Data_Block)
    const char* label;         // names the action ("animation unlock"); not stored
};

struct Action_Request {
    f32 delay_s;               // seconds from now
    Action_Create_Info info;
};

// ---------------------------------------------------------------------------------------------------
// Animations

// Kind of an animated value: the float is built in, kinds 0..126 are registered per scheduler.
// Vec3 and Quat are the numbers the game registers for interpolate_vec3 and interpolate_quat.
enum class Interpolatee : u8 {
    Vec3 = 0,
    Quat = 1,
    F32 = 0x80,
};

// Easing code: bends the elapsed time fraction t. Codes 0..126 name user shapers.
enum class Shaper : u8 {
    Linear = 0x80,        // t
    Ease_In = 0x81,       // t^2
    Ease_Out = 0x82,      // -t(t - 2)
    Slow_Middle = 0x83,   // 0.8t^3 - 1.2t^2 + 1.4t: quick start and end, slower through the middle
    Ease_In_Out = 0x84,   // 2t^2 up to half time, then mirrored
    Step = 0x85,          // start value up to half time, then the end value
};

// Writes the blend of two values of one kind for fraction t to out.
typedef void (*Interpolator)(const void* from, f32 t, const void* to, void* out);
// A user easing function.
typedef f32 (*Shaper_Function)(f32 t);

// Value sizes of the two kinds the game registers.
constexpr u64 vec3_value_size = 12;
constexpr u64 quat_value_size = 16;

struct Animation {
    Shaper shaper;
    Interpolatee type;
    f32 start_countdown;       // seconds until it starts writing the target
    f32 end_countdown;         // seconds until it ends
    void* target;
    u8 from[176];              // start value (the kind's size of bytes used)
    u8 to[176];                // end value
    Action* completion;        // fired when it ends (null = none); see make_completion_action
};

struct Animation_Request {
    f32 start_s;               // seconds from now
    f32 end_s;                 // seconds from now
    void* target;
    Interpolatee type;
    const void* from;          // copied when scheduled
    const void* to;            // copied when scheduled
    Shaper shaper;
    const char* label;         // names the animation ("Red push animation"); not stored
};

// ---------------------------------------------------------------------------------------------------
// Scheduler

// One set of item pools; the scheduler has two.
struct Scheduler_Pool_Set {
    Bucket_Array<Animation> animations;
    Bucket_Array<Action_Item> actions;
    Bucket_Array<Action> completions;   // animation completions and chained actions
};

// The current set's three pools, then the other set's three; a swap exchanges the two triples.
struct Scheduler_Pool_Ptrs {
    Bucket_Array<Animation>* animations;
    Bucket_Array<Action_Item>* actions;
    Bucket_Array<Action>* completions;
    Bucket_Array<Animation>* other_animations;
    Bucket_Array<Action_Item>* other_actions;
    Bucket_Array<Action>* other_completions;
};

// A scheduler must start zeroed (a global, or `Scheduler s = {}`): init_scheduler leaves the
// registration tables, the flags and the sequence counter as they are.
struct Scheduler {
    Shaper_Function shapers[127];          // user shapers by code 0..126 (null = none)
    Interpolator interpolators[127];       // registered kinds by Interpolatee 0..126
    u64 value_sizes[127];                  // byte sizes of the registered kinds (0 = not registered)
    Scheduler_Pool_Set pools[2];           // set A, set B
    Scheduler_Pool_Ptrs pool_ptrs;
    Array_List<Animation*> deferred_free_animations;   // ended during the running update
    Array_List<Action_Item*> deferred_free_actions;    // fell due during the running update
    Array_List<Action*> ready;                         // due in the running update
    u8 in_update;                          // 1 while an update fires its actions
    u8 use_other_set;                      // 1 after a reset or clear inside the running update
    u8 reset_requested;                    // a reset ends the running update's firing
    u8 reset_firing;                       // 1 while a reset fires its pending list
    u64 next_sequence;
    u32 empty_count;                       // grows whenever a reset or clear drops a pool set
};

void init_scheduler(Scheduler* scheduler);
void destroy_scheduler(Scheduler* scheduler);

// Registers a value kind 0..126 (size at most 176 bytes) or a user shaper 0..126.
void register_interpolator(Scheduler* scheduler, Interpolatee type, Interpolator interpolator, u64 value_size);
void register_shaper(Scheduler* scheduler, u8 code, Shaper_Function shaper);

// Advances every animation and action by dt seconds and fires what is due, in creation order.
// Work scheduled by a callback is first advanced by the next update.
void update_scheduler(Scheduler* scheduler, f32 dt);
// Fires every pending action and animation completion at once in creation order, then drops all
// pending work; animations stop where they are. Inside an update, work that the calling callback
// schedules after the reset survives.
void reset_scheduler(Scheduler* scheduler);
// Drops all pending work without firing anything. Inside an update, the actions already due in it
// still fire. Called by a callback that a reset fires, it does nothing: the reset drops everything.
void clear_scheduler(Scheduler* scheduler);

// Schedules an action; panics when the parameter is larger than a Data_Block.
Action_Item* schedule_action(Scheduler* scheduler, const Action_Request* request);
// Fills an action from the create info (used for items and completion records).
void _init_action(Scheduler* scheduler, Action* action, const Action_Create_Info* info);
// An Action for an animation's `completion`, taken from the completion pool that new work goes to.
Action* make_completion_action(Scheduler* scheduler, const Action_Create_Info* info);

// Schedules an animation; the start and end values are copied now. Panics for a kind that is not
// registered. The caller may set the returned record's `completion`.
Animation* schedule_animation(Scheduler* scheduler, const Animation_Request* request);
// One update's step of one animation: count down, write the target, and at the end write the exact
// end value and queue the completion.
void step_animation(Scheduler* scheduler, Animation* animation, f32 dt);
// Writes the target for the current countdowns (nothing before the start).
void advance_single_animation(Scheduler* scheduler, Animation* animation);

// The game's registered blends: component-wise for a vec3, glm's quaternion mix (w, x, y, z; no
// shortest-path sign flip) for a quaternion. t is clamped to [0, 1].
void interpolate_vec3(const void* from, f32 t, const void* to, void* out);
void interpolate_quat(const void* from, f32 t, const void* to, void* out);

// ---------------------------------------------------------------------------------------------------
// Typed helpers. A parameter record is copied into the action; its callback gets a pointer to the copy:
//   struct Play_Param { const char* path; Audio* audio; };
//   void play_sound_action(Play_Param* p);
//   schedule_action<play_sound_action>(&game_scheduler, 0.5f, Play_Param{path, audio}, "soundengine->play2D");

template <auto callback, typename Param>
void _call_with_param(Data_Block* data) {
    callback((Param*)data->bytes);
}

template <auto callback, typename Param>
inline Action_Create_Info action_create_info(const Param* param, const char* label) {
    static_assert(sizeof(Param) <= sizeof(Data_Block), "action parameter larger than a Data_Block");
    static_assert(std::is_trivially_copyable_v<Param>, "action parameters are copied bytewise");
    static_assert(std::is_invocable_v<decltype(callback), Param*>, "callback must take a Param*");
    Action_Create_Info info = {};
    info.form = 0;
    info.callback.with_data = &_call_with_param<callback, Param>;
    info.param = param;
    info.param_size = sizeof(Param);
    info.label = label;
    return info;
}

inline Action_Create_Info action_create_info(void (*callback)(), const char* label) {
    Action_Create_Info info = {};
    info.form = 1;
    info.callback.plain = callback;
    info.label = label;
    return info;
}

template <auto callback, typename Param>
inline Action_Item* schedule_action(Scheduler* scheduler, f32 delay_s, const Param& param, const char* label) {
    Action_Request request = {delay_s, action_create_info<callback>(&param, label)};
    return schedule_action(scheduler, &request);
}

inline Action_Item* schedule_action(Scheduler* scheduler, f32 delay_s, void (*callback)(), const char* label) {
    Action_Request request = {delay_s, action_create_info(callback, label)};
    return schedule_action(scheduler, &request);
}

template <auto callback, typename Param>
inline Action* make_completion_action(Scheduler* scheduler, const Param& param, const char* label) {
    Action_Create_Info info = action_create_info<callback>(&param, label);
    return make_completion_action(scheduler, &info);
}

inline Action* make_completion_action(Scheduler* scheduler, void (*callback)(), const char* label) {
    Action_Create_Info info = action_create_info(callback, label);
    return make_completion_action(scheduler, &info);
}

// Animates *target from `from` to `to` over [start_s, end_s] seconds from now; `type` must be the
// kind of T (Interpolatee::F32 for f32).
template <typename T>
inline Animation* schedule_animation(Scheduler* scheduler, f32 start_s, f32 end_s, T* target, Interpolatee type,
                                     const T& from, const T& to, Shaper shaper, const char* label) {
    static_assert(sizeof(T) <= sizeof(Animation::from), "animated value larger than an Animation's storage");
    Animation_Request request = {start_s, end_s, target, type, &from, &to, shaper, label};
    return schedule_animation(scheduler, &request);
}
