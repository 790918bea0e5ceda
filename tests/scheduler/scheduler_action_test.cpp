// Actions: creation-order firing, parameter copies, and reset and clear from inside and outside updates.
#include "scheduler_helpers.h"

#include <math.h>

namespace {

using V = std::vector<int>;

TEST_F(Scheduler_Test, DueActionsFireInCreationOrder) {
    note_in(0.5f, 1);
    note_in(0.2f, 2);
    note_in(NAN, 3);   // never due
    update_scheduler(s, 0.1f);
    EXPECT_EQ(fired, V{});
    update_scheduler(s, 0.9f);
    EXPECT_EQ(fired, (V{1, 2}));
    EXPECT_EQ(live_count(s->pool_ptrs.actions), 1u);   // only the NaN one is left
    for (int i = 0; i < 10; i++) update_scheduler(s, 100.0f);
    EXPECT_EQ(fired, (V{1, 2}));
}

TEST_F(Scheduler_Test, CompletionsAndPlainActionsShareCreationOrder) {
    f32 a = 0, b = 0;
    note_in(0.3f, 10);
    note_at_end(&a, 0.5f, 11);
    note_in(0.1f, 12);
    note_at_end(&b, 0.2f, 13);
    note_in(2.0f, 14);
    update_scheduler(s, 1.0f);
    EXPECT_EQ(fired, (V{10, 11, 12, 13}));
    update_scheduler(s, 1.0f);
    EXPECT_EQ(fired, (V{10, 11, 12, 13, 14}));
}

void schedule_zero_delay(Note* n) {
    fired.push_back(n->id);
    schedule_action<note>(sched, 0.0f, Note{n->id + 1}, "next");
}

TEST_F(Scheduler_Test, ZeroDelayFromCallbackFiresInNextUpdate) {
    schedule_action<schedule_zero_delay>(s, 0.0f, Note{1}, "first");
    update_scheduler(s, 0.016f);
    EXPECT_EQ(fired, V{1});
    update_scheduler(s, 0.016f);
    EXPECT_EQ(fired, (V{1, 2}));
}

struct Full {
    u8 bytes[176];
};
Full last_full;
void keep_full(Full* f) {
    last_full = *f;
}
void plain_callback() {
    fired.push_back(-1);
}

TEST_F(Scheduler_Test, ParametersAreCopiedWhole) {
    {
        Full f;
        for (int i = 0; i < 176; i++) f.bytes[i] = (u8)(i * 7 + 1);
        schedule_action<keep_full>(s, 0.0f, f, "full");
        memset(&f, 0, sizeof(f));   // the caller's record may go away at once
    }
    update_scheduler(s, 0.0f);
    for (int i = 0; i < 176; i++) ASSERT_EQ(last_full.bytes[i], (u8)(i * 7 + 1)) << i;

    // The slot is reused; an action without parameter gets an all-zero block and form 1.
    Action_Item* item = schedule_action(s, 0.0f, plain_callback, "plain");
    EXPECT_EQ(item->action.form, 1u);
    for (u8 byte : item->action.data.bytes) ASSERT_EQ(byte, 0);
    update_scheduler(s, 0.0f);
    EXPECT_EQ(fired, V{-1});
}

TEST_F(Scheduler_Test, ParameterOfMoreThan176BytesPanics) {
    u8 big[177] = {};
    Action_Request request = {0.0f, {0, {.with_data = nullptr}, big, 177, "too big"}};
    EXPECT_SCHEDULER_PANIC(schedule_action(s, &request), "_init_action",
                           "176 \\(sizeof\\(Data_Block\\)\\) < 177 \\(aci.param_size\\)");
}

// --- reset ---------------------------------------------------------------------------------------

void reset_then_schedule(Note* n) {
    fired.push_back(n->id);
    reset_scheduler(sched);
    schedule_action<note>(sched, 0.0f, Note{100}, "after reset");
}

TEST_F(Scheduler_Test, ResetInsideCallbackFiresPendingOnceAndKeepsLaterWork) {
    f32 target = -1;
    schedule_action<reset_then_schedule>(s, 1.0f, Note{1}, "reset");
    note_in(0.5f, 2);                        // due in the same update, after the resetting one
    note_in(5.0f, 3);                        // not due
    Animation* anim = schedule_animation(s, 0.0f, 10.0f, &target, Interpolatee::F32, 0.0f, 10.0f,
                                         Shaper::Linear, "");
    anim->completion = make_completion_action<note>(s, Note{4}, "completion");
    note_in(0.0f, 5);                        // due, created last

    update_scheduler(s, 1.0f);
    // The reset fires everything pending in creation order; the ready list does not fire again.
    EXPECT_EQ(fired, (V{1, 2, 3, 4, 5}));
    EXPECT_FLOAT_EQ(target, 1.0f);           // dropped where it stood, no jump to 10
    EXPECT_EQ(live_count(s->pool_ptrs.actions), 1u);   // only the work scheduled after the reset
    EXPECT_EQ(live_count(s->pool_ptrs.animations), 0u);
    EXPECT_EQ(live_count(s->pool_ptrs.other_actions), 0u);
    EXPECT_EQ(s->use_other_set, 0);
    EXPECT_EQ(s->in_update, 0);

    update_scheduler(s, 1.0f);
    EXPECT_EQ(fired, (V{1, 2, 3, 4, 5, 100}));
    for (int i = 0; i < 5; i++) update_scheduler(s, 10.0f);
    EXPECT_EQ(fired, (V{1, 2, 3, 4, 5, 100}));
    EXPECT_FLOAT_EQ(target, 1.0f);
}

TEST_F(Scheduler_Test, ResetOutsideUpdate) {
    // Nothing pending: the pools are emptied and the sets swap.
    reset_scheduler(s);
    EXPECT_EQ(s->pool_ptrs.actions, &s->pools[1].actions);
    EXPECT_EQ(s->pool_ptrs.other_animations, &s->pools[0].animations);
    EXPECT_EQ(fired, V{});

    f32 target = 0;
    note_in(3.0f, 1);
    note_at_end(&target, 2.0f, 2);
    note_in(1.0f, 3);
    reset_scheduler(s);
    EXPECT_EQ(fired, (V{1, 2, 3}));
    EXPECT_EQ(s->pool_ptrs.actions, &s->pools[0].actions);
    EXPECT_EQ(live_count(s->pool_ptrs.other_actions) + live_count(s->pool_ptrs.actions), 0u);
    update_scheduler(s, 5.0f);
    EXPECT_EQ(fired, (V{1, 2, 3}));
    EXPECT_EQ(target, 0.0f);
}

TEST_F(Scheduler_Test, FiredCompletionIsNotFiredAgainByReset) {
    f32 target = 0;
    note_at_end(&target, 0.5f, 1);
    schedule_action<reset_then_schedule>(s, 0.6f, Note{2}, "reset");
    update_scheduler(s, 1.0f);
    EXPECT_EQ(fired, (V{1, 2}));             // the ended animation is still live when the reset walks it
    EXPECT_EQ(target, 1.0f);
}

void nested_reset(Note* n) {
    fired.push_back(n->id);
    reset_scheduler(sched);
    schedule_action<note>(sched, 0.0f, Note{n->id + 50}, "dropped by the outer reset");
}

TEST_F(Scheduler_Test, ResetInsideResetCallbackFiresNothingTwice) {
    note_in(1.0f, 1);
    schedule_action<nested_reset>(s, 2.0f, Note{2}, "nested");
    note_in(3.0f, 3);
    note_in(4.0f, 4);
    reset_scheduler(s);
    EXPECT_EQ(fired, (V{1, 2, 3, 4}));
    update_scheduler(s, 10.0f);
    EXPECT_EQ(fired, (V{1, 2, 3, 4}));

    // The same from inside an update.
    fired.clear();
    schedule_action<reset_then_schedule>(s, 0.0f, Note{10}, "reset");
    note_in(1.0f, 11);
    schedule_action<nested_reset>(s, 2.0f, Note{12}, "nested");
    note_in(3.0f, 13);
    update_scheduler(s, 0.0f);
    EXPECT_EQ(fired, (V{10, 11, 12, 13}));
    update_scheduler(s, 0.0f);
    EXPECT_EQ(fired, (V{10, 11, 12, 13, 100}));
}

void reset_twice(Note* n) {
    fired.push_back(n->id);
    reset_scheduler(sched);
    schedule_action<note>(sched, 9.0f, Note{n->id + 1}, "between the resets");
    reset_scheduler(sched);
    schedule_action<note>(sched, 0.0f, Note{n->id + 2}, "after both");
}

TEST_F(Scheduler_Test, SecondResetInOneUpdateFiresWorkScheduledAfterTheFirst) {
    schedule_action<reset_twice>(s, 0.0f, Note{1}, "reset twice");
    note_in(5.0f, 7);
    update_scheduler(s, 0.0f);
    EXPECT_EQ(fired, (V{1, 7, 2}));
    update_scheduler(s, 0.0f);
    EXPECT_EQ(fired, (V{1, 7, 2, 3}));
}

// --- clear ---------------------------------------------------------------------------------------

void clear_then_schedule(Note* n) {
    fired.push_back(n->id);
    clear_scheduler(sched);
    schedule_action<note>(sched, 0.0f, Note{n->id + 100}, "after clear");
}

void reset_only(Note* n) {
    fired.push_back(n->id);
    reset_scheduler(sched);
}

TEST_F(Scheduler_Test, ClearOutsideUpdateDropsEverythingSilently) {
    f32 alpha = 1.0f;
    Animation* fade = schedule_animation(s, 1.0f, 3.0f, &alpha, Interpolatee::F32, 1.0f, 0.0f, Shaper::Ease_Out, "");
    fade->completion = make_completion_action<note>(s, Note{1}, "completion");
    note_in(0.5f, 2);
    update_scheduler(s, 2.0f);               // the fade is half way; the action fired
    EXPECT_EQ(fired, V{2});
    f32 half = alpha;
    EXPECT_LT(half, 1.0f);
    clear_scheduler(s);
    update_scheduler(s, 5.0f);
    EXPECT_EQ(fired, V{2});
    EXPECT_EQ(alpha, half);
    EXPECT_EQ(live_count(s->pool_ptrs.animations) + live_count(s->pool_ptrs.other_animations), 0u);
}

TEST_F(Scheduler_Test, ClearInsideCallbackLetsTheUpdatesDueActionsFire) {
    schedule_action<clear_then_schedule>(s, 0.5f, Note{1}, "clear");
    note_in(0.2f, 2);                        // due, after the clear (creation order, not delay)
    note_in(0.9f, 3);                        // due, after the clear
    note_in(5.0f, 4);                        // not due: dropped
    update_scheduler(s, 1.0f);
    EXPECT_EQ(fired, (V{1, 2, 3}));
    EXPECT_EQ(live_count(s->pool_ptrs.actions), 1u);   // the action scheduled after the clear
    update_scheduler(s, 10.0f);
    EXPECT_EQ(fired, (V{1, 2, 3, 101}));
}

TEST_F(Scheduler_Test, ResetAfterClearInOneUpdateDoesNotReviveClearedWork) {
    schedule_action<clear_then_schedule>(s, 0.0f, Note{1}, "clear");
    schedule_action<reset_only>(s, 0.0f, Note{2}, "reset");
    note_in(0.0f, 3);                        // due: still fires, inside the reset
    note_in(5.0f, 4);                        // cleared: must not fire
    update_scheduler(s, 0.0f);
    EXPECT_EQ(fired, (V{1, 2, 3, 101}));     // 101 was pending when the reset ran
    update_scheduler(s, 10.0f);
    EXPECT_EQ(fired, (V{1, 2, 3, 101}));
}

void clear_then_schedule_three(Note* n) {
    fired.push_back(n->id);
    clear_scheduler(sched);
    for (int k = 1; k <= 3; k++) schedule_action<note>(sched, 0.0f, Note{n->id * 10 + k}, "after clear");
}

// Clears, then schedules a clearing action and three notes for later.
void clear_then_stage(Note* n) {
    fired.push_back(n->id);
    clear_scheduler(sched);
    schedule_action<clear_then_schedule_three>(sched, 5.0f, Note{10}, "clear again");
    for (int id : {11, 12, 13}) schedule_action<note>(sched, 5.0f, Note{id}, "staged");
}

TEST_F(Scheduler_Test, ClearInsideResetLetsTheResetFireItsWholeList) {
    // Outside an update: clearing callbacks first, again and last. The work they schedule would
    // take the records of the reset's list if a clear emptied the pools.
    schedule_action<clear_then_schedule_three>(s, 1.0f, Note{1}, "clear first");
    schedule_action<clear_then_schedule_three>(s, 1.0f, Note{2}, "clear again");
    note_in(1.0f, 3);
    note_in(1.0f, 4);
    schedule_action<clear_then_schedule_three>(s, 1.0f, Note{5}, "clear last");
    reset_scheduler(s);
    EXPECT_EQ(fired, (V{1, 2, 3, 4, 5}));
    update_scheduler(s, 10.0f);              // what they scheduled went with the reset
    EXPECT_EQ(fired, (V{1, 2, 3, 4, 5}));
    EXPECT_EQ(live_count(s->pool_ptrs.actions) + live_count(s->pool_ptrs.other_actions), 0u);

    // Inside an update whose first callback cleared: the reset fires from the other set, which a
    // nested clear must not empty under it.
    fired.clear();
    schedule_action<clear_then_stage>(s, 0.0f, Note{6}, "clear and stage");
    schedule_action<reset_then_schedule>(s, 0.0f, Note{7}, "reset");
    update_scheduler(s, 0.0f);
    EXPECT_EQ(fired, (V{6, 7, 10, 11, 12, 13}));
    update_scheduler(s, 10.0f);              // only the work scheduled after the reset is left
    EXPECT_EQ(fired, (V{6, 7, 10, 11, 12, 13, 100}));

    // Inside an update with no clear before the reset: the clearing callback first in the list.
    fired.clear();
    schedule_action<reset_then_schedule>(s, 0.0f, Note{20}, "reset");
    schedule_action<clear_then_schedule_three>(s, 5.0f, Note{21}, "clear");
    note_in(5.0f, 22);
    update_scheduler(s, 0.0f);
    EXPECT_EQ(fired, (V{20, 21, 22}));
    update_scheduler(s, 10.0f);
    EXPECT_EQ(fired, (V{20, 21, 22, 100}));
}

// --- ordering details ----------------------------------------------------------------------------

TEST_F(Scheduler_Test, CreationOrderHoldsAcrossSequenceWrap) {
    for (u64 start : {0x7FFFFFFEull, 0xFFFFFFFEull}) {
        fired.clear();
        s->next_sequence = start;
        // Completions reach the ready list before plain actions: only the sort puts them in order.
        f32 a = 0, b = 0;
        note_in(0.1f, 0);
        note_in(0.1f, 1);
        note_at_end(&a, 0.1f, 2);
        note_at_end(&b, 0.1f, 3);
        note_in(0.1f, 4);
        update_scheduler(s, 1.0f);
        EXPECT_EQ(fired, (V{0, 1, 2, 3, 4})) << start;
    }
}

TEST_F(Scheduler_Test, ChainedActionFiresRightBehindItsHead) {
    Action_Item* head = note_in(0.1f, 1);
    note_in(0.1f, 3);
    Action* chained = make_completion_action<note>(s, Note{2}, "chained");
    head->action.next = chained;
    EXPECT_EQ(live_count(s->pool_ptrs.completions), 1u);
    update_scheduler(s, 1.0f);
    EXPECT_EQ(fired, (V{1, 2, 3}));
    EXPECT_EQ(live_count(s->pool_ptrs.completions), 0u);
}

}  // namespace
