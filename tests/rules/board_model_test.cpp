// Board model: creation order of gems, neighbours at the edges, deep copies, the creation reports.
#include <gtest/gtest.h>

#include "board_builder.h"

namespace {

TEST(BoardModel, GemsAreNumberedInCreationOrderAfterThePlaceholder) {
    Playing_Field pf = {};
    pf.width = 3;
    pf.height = 2;
    init_playing_field(&pf);
    EXPECT_EQ(pf.gems.count, 1u);
    EXPECT_EQ(pf.gems.data[0].type, Gem_Type::None);
    EXPECT_TRUE(has_gem_of_type(&pf, Gem_Type::None));
    EXPECT_FALSE(has_gem_of_type(&pf, Gem_Type::Red));

    create_gem_at_pos(&pf, Pos{2, 1}, Gem_Type::Red);
    create_gem_at_pos(&pf, Pos{0, 0}, Gem_Type::Black);
    EXPECT_EQ(get_gem_index_at(&pf, Pos{2, 1}), 1u);
    EXPECT_EQ(get_gem_index_at(&pf, Pos{0, 0}), 2u);
    EXPECT_EQ(get_gem_at(&pf, Pos{2, 1}), &pf.gems.data[1]);
    EXPECT_EQ(get_gem_at(&pf, Pos{1, 1}), nullptr);
    EXPECT_TRUE(has_gem_of_type(&pf, Gem_Type::Red));
    EXPECT_EQ(pf.gems.data[1].x, 2);
    EXPECT_EQ(pf.gems.data[1].y, 1);

    clear_cell(&pf, Pos{2, 1});
    EXPECT_TRUE(is_cell_empty(&pf, Pos{2, 1}));
    free_playing_field(&pf);
}

TEST(BoardModel, TypeClasses) {
    Playing_Field pf;
    make_board(&pf, {"@RBYPGW"});
    // Gems 1..7 are Black..White in order.
    const bool movable[8] = {true, false, true, true, true, true, false, false};
    for (u32 i = 1; i <= 7; i++) {
        EXPECT_EQ(is_player_movable_type(&pf, i), movable[i]) << i;
        EXPECT_EQ(is_pushable_type(&pf, i), i != 1) << i;
    }
    EXPECT_TRUE(is_in_bounds(&pf, Pos{6, 0}));
    EXPECT_FALSE(is_in_bounds(&pf, Pos{7, 0}));
    EXPECT_FALSE(is_in_bounds(&pf, Pos{0, 1}));
    EXPECT_FALSE(is_in_bounds(&pf, Pos{255, 0}));
    free_playing_field(&pf);
}

TEST(BoardModel, NeighboursUpRightDownLeftWithEdgesEmpty) {
    Playing_Field pf;
    make_board(&pf, {"RBY",
                     "PGW",
                     "@RB"});
    u32 n[4];
    // Centre (1, 1): Up B (1,2), Right W (2,1), Down R (1,0), Left P (0,1).
    get_neighbours(&pf, Pos{1, 1}, n);
    EXPECT_EQ(pf.gems.data[n[0]].type, Gem_Type::Blue);
    EXPECT_EQ(pf.gems.data[n[1]].type, Gem_Type::White);
    EXPECT_EQ(pf.gems.data[n[2]].type, Gem_Type::Red);
    EXPECT_EQ(pf.gems.data[n[3]].type, Gem_Type::Purple);

    get_neighbours(&pf, Pos{0, 0}, n);   // no Down, no Left
    EXPECT_NE(n[0], 0u);
    EXPECT_NE(n[1], 0u);
    EXPECT_EQ(n[2], 0u);
    EXPECT_EQ(n[3], 0u);
    get_neighbours(&pf, Pos{2, 2}, n);   // no Up, no Right
    EXPECT_EQ(n[0], 0u);
    EXPECT_EQ(n[1], 0u);
    EXPECT_NE(n[2], 0u);
    EXPECT_NE(n[3], 0u);

    clear_cell(&pf, Pos{1, 2});
    get_neighbours(&pf, Pos{1, 1}, n);
    EXPECT_EQ(n[0], 0u);
    free_playing_field(&pf);
}

TEST(BoardModel, CopySharesNothingAndHasAnEmptyQueue) {
    Playing_Field src;
    make_board(&src, {"R..",
                      ".B."});
    add_finish(&src, 0, 0, Gem_Type::Red);
    play(&src, 0, 1, Flip_Dir::Right);   // leaves a queue behind
    ASSERT_GT(src.queue.count, 0u);

    Playing_Field copy;
    memset(&copy, 0xAB, sizeof(copy));   // whatever was there is overwritten
    copy_playing_field(&copy, &src);
    EXPECT_EQ(copy.width, 3u);
    EXPECT_EQ(copy.height, 2u);
    EXPECT_EQ(copy.queue.count, 0u);
    EXPECT_EQ(copy.queue.capacity, 16u);
    EXPECT_EQ(copy.queue_head, 0u);
    EXPECT_EQ(copy.gems.count, src.gems.count);
    EXPECT_EQ(copy.gems.capacity, src.gems.capacity);
    EXPECT_EQ(copy.finishes.count, 1u);
    EXPECT_EQ(copy.finishes.capacity, src.finishes.capacity);
    EXPECT_NE(copy.cells, src.cells);
    EXPECT_NE(copy.gems.data, src.gems.data);
    EXPECT_NE(copy.finishes.data, src.finishes.data);
    EXPECT_EQ(memcmp(copy.cells, src.cells, 6 * sizeof(u32)), 0);
    EXPECT_EQ(memcmp(copy.gems.data, src.gems.data, src.gems.count * sizeof(Gem)), 0);

    // Changing the copy leaves the source alone.
    play(&copy, 1, 0, Flip_Dir::Right);
    EXPECT_EQ(board_rows(&src), (std::vector<std::string>{".R.", ".B."}));
    free_playing_field(&copy);
    free_playing_field(&src);
}

// The report of a failed check in the rules module, with the line its site names.
std::string assert_report(const char* condition, u32 line, const char* function) {
    std::string at = std::string("src/playing_field (") + std::to_string(line) + ") ";
    u32 digits = (u32)std::to_string(line).size() - 1;
    return std::string("\n\033[31massert error:\033[0m Assertion-error:\n      condition: ") + condition +
           "\n             in: src/playing_field:" + std::to_string(line) + "\nin" +
           std::string(30 - (17 + digits), ' ') + at + "-> " + function + "\n";
}

// The line named by the n-th report in a log (0 when there is none).
u32 report_line(const std::string& log, u32 n = 0) {
    size_t at = 0;
    const std::string key = "in: src/playing_field:";
    for (u32 i = 0; i <= n; i++) {
        at = log.find(key, at);
        if (at == std::string::npos) return 0;
        at += key.size();
    }
    return (u32)atoi(log.c_str() + at);
}

TEST(BoardModel, CreationReportsAndOffBoardGemStaysInert) {
    Playing_Field pf;
    make_board(&pf, {"..",
                     ".."});
    std::string log = capture_print([&] { create_gem_at_pos(&pf, Pos{5, 5}, Gem_Type::Red); });
    u32 bounds_line = report_line(log);
    EXPECT_EQ(log, assert_report("is_in_bounds(pf, pos)", bounds_line, "create_gem_at_pos"));
    // The gem is appended but no cell names it, so nothing can move it.
    EXPECT_EQ(pf.gems.count, 2u);
    EXPECT_EQ(board_rows(&pf), (std::vector<std::string>{"..", ".."}));
    Array_List<Turn> turns;
    array_list_init(&turns, 16);
    list_possible_turns(&pf, &turns);
    EXPECT_EQ(turns.count, 0u);

    log = capture_print([&] { create_gem_at_pos(&pf, Pos{1, 0}, Gem_Type::None); });
    u32 type_line = report_line(log);
    EXPECT_EQ(log, assert_report("type != Gem_Type::None", type_line, "create_gem_at_pos"));
    EXPECT_GT(type_line, bounds_line);
    EXPECT_EQ(get_gem_index_at(&pf, Pos{1, 0}), 2u);   // still placed

    // Both reports for a None gem off the board.
    log = capture_print([&] { create_gem_at_pos(&pf, Pos{0, 200}, Gem_Type::None); });
    EXPECT_EQ(log, assert_report("is_in_bounds(pf, pos)", bounds_line, "create_gem_at_pos") +
                       assert_report("type != Gem_Type::None", type_line, "create_gem_at_pos"));
    array_list_free(&turns);
    free_playing_field(&pf);
}

TEST(BoardModel, SecondGemOnACellReplacesTheFirstInTheCell) {
    Playing_Field pf;
    make_board(&pf, {"R.."});
    create_gem_at_pos(&pf, Pos{0, 0}, Gem_Type::Blue);
    EXPECT_EQ(get_gem_index_at(&pf, Pos{0, 0}), 2u);
    play(&pf, 0, 0, Flip_Dir::Right);
    // The blue moved and teleported back; the hidden red never entered the turn.
    EXPECT_EQ(board_rows(&pf), (std::vector<std::string>{"B.."}));
    EXPECT_EQ(pf.gems.data[1].triggered, 0);
    EXPECT_EQ(pf.gems.data[1].x, 0);
    free_playing_field(&pf);
}

}  // namespace
