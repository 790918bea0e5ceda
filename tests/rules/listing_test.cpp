// Legal-move listing, the finish test, simulated turns and the random-board helpers.
#include <gtest/gtest.h>

#include "board_builder.h"

namespace {

using Rows = std::vector<std::string>;

std::vector<std::pair<Pos, Flip_Dir>> listed(const Array_List<Turn>* turns) {
    std::vector<std::pair<Pos, Flip_Dir>> out;
    for (u32 i = 0; i < turns->count; i++) out.push_back({turns->data[i].pos, turns->data[i].dir});
    return out;
}

TEST(Listing, RowsFromTheBottomThenLeftRightUpDown) {
    Playing_Field pf;
    make_board(&pf, {"..Y",
                     ".R.",
                     "B.W"});
    Array_List<Turn> turns;
    array_list_init(&turns, 2);
    array_list_push(&turns, Turn{});   // stale content is dropped
    list_possible_turns(&pf, &turns);
    using P = std::pair<Pos, Flip_Dir>;
    std::vector<P> expected = {
        {Pos{0, 0}, Flip_Dir::Right}, {Pos{0, 0}, Flip_Dir::Up},                                 // blue
        {Pos{1, 1}, Flip_Dir::Left},  {Pos{1, 1}, Flip_Dir::Right}, {Pos{1, 1}, Flip_Dir::Up},
        {Pos{1, 1}, Flip_Dir::Down},                                                             // red
        {Pos{2, 2}, Flip_Dir::Left},  {Pos{2, 2}, Flip_Dir::Down},                               // yellow
    };
    EXPECT_EQ(listed(&turns), expected);   // the white is never offered

    // One gem's moves come in the same order.
    list_turns_for_gem(&pf, &pf.gems.data[3], &turns);   // gem 3 is the red
    expected = {{Pos{1, 1}, Flip_Dir::Left}, {Pos{1, 1}, Flip_Dir::Right}, {Pos{1, 1}, Flip_Dir::Up},
                {Pos{1, 1}, Flip_Dir::Down}};
    EXPECT_EQ(listed(&turns), expected);
    array_list_free(&turns);
    free_playing_field(&pf);
}

TEST(Listing, CornerRedOnThreeByTwo) {
    Playing_Field pf;
    make_board(&pf, {"...",
                     "R.."});
    Array_List<Turn> turns;
    array_list_init(&turns, 16);
    list_turns_for_gem(&pf, &pf.gems.data[1], &turns);
    EXPECT_EQ(listed(&turns), (std::vector<std::pair<Pos, Flip_Dir>>{{Pos{0, 0}, Flip_Dir::Right},
                                                                     {Pos{0, 0}, Flip_Dir::Up}}));
    array_list_free(&turns);
    free_playing_field(&pf);
}

TEST(Listing, BoxedInGemsAndUnmovableColours) {
    Playing_Field pf;
    make_board(&pf, {"@W.",
                     "RP.",
                     "GY@"});
    Array_List<Turn> turns;
    array_list_init(&turns, 16);
    list_turns_for_gem(&pf, get_gem_at(&pf, Pos{0, 1}), &turns);   // red: edge, white, purple, grey
    EXPECT_EQ(turns.count, 0u);
    list_possible_turns(&pf, &turns);
    // Only the purple (right) and the yellow (none: boxed by grey, purple, black) could move; greys,
    // whites and blacks never appear, even with empty cells beside them.
    EXPECT_EQ(listed(&turns), (std::vector<std::pair<Pos, Flip_Dir>>{{Pos{1, 1}, Flip_Dir::Right}}));
    array_list_free(&turns);
    free_playing_field(&pf);
}

TEST(FinishTest, EveryFinishNeedsItsColour) {
    Playing_Field pf;
    make_board(&pf, {"RB",
                     ".Y"});
    EXPECT_TRUE(is_solved(&pf));   // no finishes: solved here, never a completed level
    add_finish(&pf, 0, 1, Gem_Type::Red);
    add_finish(&pf, 1, 0, Gem_Type::Yellow);
    EXPECT_TRUE(is_solved(&pf));
    add_finish(&pf, 1, 1, Gem_Type::Purple);   // holds a blue
    EXPECT_FALSE(is_solved(&pf));
    pf.finishes.data[2].type = Gem_Type::Blue;
    EXPECT_TRUE(is_solved(&pf));
    add_finish(&pf, 0, 0, Gem_Type::None);   // an empty cell never satisfies a finish
    EXPECT_FALSE(is_solved(&pf));
    pf.finishes.data[3] = Finish{Pos{9, 9}, Gem_Type::Red};   // off the board: never satisfied
    EXPECT_FALSE(is_solved(&pf));
    free_playing_field(&pf);
}

TEST(Simulate, LeavesTheSourceUntouched) {
    Playing_Field pf;
    make_board(&pf, {"R.P.",
                     "Y..B"});
    play(&pf, 3, 0, Flip_Dir::Left);   // per-turn fields and queue now hold something
    Playing_Field before;
    copy_playing_field(&before, &pf);
    u32 queue[16];
    u32 queue_count = pf.queue.count, queue_head = pf.queue_head;
    memcpy(queue, pf.queue.data, queue_count * sizeof(u32));

    Playing_Field after;
    Turn turn = {Pos{0, 1}, Flip_Dir::Right};
    animation_lock = 0;
    std::string log = capture_print([&] { EXPECT_EQ(simulate_turn(&after, &pf, &turn), &after); });
    EXPECT_EQ(log, "");   // silent
    EXPECT_EQ(animation_lock, 0);
    EXPECT_EQ(board_rows(&pf), (Rows{"R.B.", "Y..P"}));
    EXPECT_EQ(board_rows(&after), (Rows{".RP.", "Y..B"}));

    EXPECT_EQ(memcmp(before.cells, pf.cells, 8 * sizeof(u32)), 0);
    EXPECT_EQ(memcmp(before.gems.data, pf.gems.data, pf.gems.count * sizeof(Gem)), 0);
    EXPECT_EQ(pf.queue.count, queue_count);
    EXPECT_EQ(pf.queue_head, queue_head);
    EXPECT_EQ(memcmp(queue, pf.queue.data, queue_count * sizeof(u32)), 0);

    // A turn the listing would not offer: reported, and the copy is the unchanged board.
    Playing_Field same;
    Turn bad = {Pos{1, 1}, Flip_Dir::Down};   // empty cell
    log = capture_print([&] { simulate_turn(&same, &pf, &bad); });
    EXPECT_NE(log.find("is_legal_turn(pf, turn)"), std::string::npos);
    EXPECT_EQ(board_rows(&same), board_rows(&pf));
    free_playing_field(&same);
    free_playing_field(&after);
    free_playing_field(&before);
    free_playing_field(&pf);
}

// ---------------------------------------------------------------------------------------------------
// Random boards

TEST(RandomBoard, DrawsStayInRange) {
    srand(7);
    Playing_Field pf = {};
    for (u32 i = 0; i < 200; i++) {
        random_dimensions(&pf, 6);
        EXPECT_GE(pf.width, 1u);
        EXPECT_LE(pf.width, 6u);
        EXPECT_GE(pf.height, 1u);
        EXPECT_LE(pf.height, 6u);
        Gem_Type t = random_type();
        EXPECT_GE((u32)t, 1u);
        EXPECT_LE((u32)t, 7u);
    }
    pf.width = 4;
    pf.height = 3;
    init_playing_field(&pf);
    for (u32 i = 0; i < 200; i++) {
        Pos p = random_pos(&pf);
        EXPECT_TRUE(is_in_bounds(&pf, p));
        EXPECT_LT(number_of_gems(&pf), 6u);   // 12 cells * 0.5
        EXPECT_EQ(random_gem_index(&pf), 0u);   // only the placeholder so far
    }
    create_gem_at_pos(&pf, Pos{0, 0}, Gem_Type::Black);
    create_gem_at_pos(&pf, Pos{1, 0}, Gem_Type::Purple);
    for (u32 i = 0; i < 50; i++) EXPECT_EQ(random_type_with_check(&pf), Gem_Type::Purple);
    free_playing_field(&pf);
}

TEST(RandomBoard, DegenerateInputsReportInsteadOfCrashing) {
    Playing_Field pf = {};
    std::string log = capture_print([&] {
        random_dimensions(&pf, 1000);   // a Pos holds 8 bits per coordinate
    });
    EXPECT_LE(pf.width, 255u);
    EXPECT_LE(pf.height, 255u);
    for (u32 i = 0; i < 2000; i++) {
        random_dimensions(&pf, 100000);
        ASSERT_LE(pf.width, 255u);
        ASSERT_LE(pf.height, 255u);
    }

    log = capture_print([&] { random_dimensions(&pf, 0); });
    EXPECT_NE(log.find("n != 0"), std::string::npos);
    EXPECT_EQ(pf.width, 1u);
    EXPECT_EQ(pf.height, 1u);

    pf.width = 0;
    pf.height = 0;
    init_playing_field(&pf);   // the intro's 0 x 0 board
    log = capture_print([&] { EXPECT_EQ(number_of_gems(&pf), 0u); });
    EXPECT_NE(log.find("condition: max_number != 0\n             in: src/playing_field:"), std::string::npos);
    EXPECT_NE(log.find("-> number_of_gems\n"), std::string::npos);
    log = capture_print([&] { EXPECT_EQ(random_pos(&pf), (Pos{0, 0})); });
    EXPECT_NE(log.find("assert error"), std::string::npos);
    // No gem from Red to White: drawing would never end.
    create_gem_at_pos(&pf, Pos{0, 0}, Gem_Type::Black);   // off this board, reported as well
    log = capture_print([&] { EXPECT_EQ(random_type_with_check(&pf), Gem_Type::None); });
    EXPECT_NE(log.find("-> random_type_with_check\n"), std::string::npos);
    EXPECT_NE(log.find("condition: has_drawable_type(pf)\n"), std::string::npos);
    free_playing_field(&pf);
}

}  // namespace
