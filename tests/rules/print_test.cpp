// Board printers: the board picture with its checklist, and the small printers, as the log shows them.
#include <gtest/gtest.h>

#include "board_builder.h"

namespace {

// Prints through the registered placeholder and checks that the count returned is the bytes written.
std::string printed(const char* format, const void* arg) {
    ensure_board_printers();
    u32 count = 0;
    std::string text = capture_print([&] { count = print(format, arg); });
    EXPECT_EQ(count, text.size()) << text;
    return text;
}

std::string printed_type(const char* format, u32 type) {
    ensure_board_printers();
    return capture_print([&] { print(format, type); });
}

TEST(BoardPrinter, ExampleBoardByteForByte) {
    Playing_Field pf;
    make_board(&pf, {"..B",
                     "R.."});
    add_finish(&pf, 0, 0, Gem_Type::Red);
    add_finish(&pf, 1, 1, Gem_Type::Blue);
    add_finish(&pf, 2, 0, Gem_Type::Yellow);
    const char* expected =
        "+---+---B  \033[32m- [X] Red finish at (0 0) \033[0m\n"
        "|   |   |  \033[0m- [ ] Blue finish at (1 1) \033[0m\n"
        "R---+---+  \033[0m- [ ] Yellow finish at (2 0) \033[0m";
    EXPECT_EQ(printed("%{->playing_field}", &pf), expected);

    // A fourth finish goes on a new line under the checklist (4W-3 blanks); a seventh is not listed.
    add_finish(&pf, 1, 0, Gem_Type::Grey);
    add_finish(&pf, 2, 1, Gem_Type::Blue);
    EXPECT_EQ(printed("%{->playing_field}", &pf),
              std::string(expected) + "\n" + std::string(9, ' ') + "  \033[0m- [ ] Grey finish at (1 0) \033[0m");
    free_playing_field(&pf);
}

TEST(BoardPrinter, OneRowPutsTheSecondFinishOnAnIndentedLine) {
    Playing_Field pf;
    make_board(&pf, {"Y@"});
    add_finish(&pf, 0, 0, Gem_Type::Yellow);
    add_finish(&pf, 7, 3, Gem_Type::White);   // off the board: listed, never checked off
    add_finish(&pf, 1, 0, Gem_Type::Black);   // beyond 2H: dropped
    EXPECT_EQ(printed("%{->playing_field}", &pf),
              "Y---@  \033[32m- [X] Yellow finish at (0 0) \033[0m\n"
              "     " "  \033[0m- [ ] White finish at (7 3) \033[0m");
    free_playing_field(&pf);
}

TEST(BoardPrinter, GemsStillWaitingInTheQueueAreCyan) {
    Playing_Field pf;
    make_board(&pf, {"RBW"});
    array_list_push(&pf.queue, 1u);   // ran already
    array_list_push(&pf.queue, 3u);   // waiting
    pf.queue_head = 1;
    EXPECT_EQ(printed("%{->playing_field}", &pf), "R---B---\033[36mW\033[0m");
    // Inside a coloured scope, pops return to that colour.
    ensure_board_printers();
    std::string text = capture_print([&] { print("%{color<}%{->playing_field}%{>color}", console_red, &pf); });
    EXPECT_EQ(text, "\033[31mR---B---\033[36mW\033[31m\033[0m");
    free_playing_field(&pf);
}

TEST(BoardPrinter, BoardsWithoutCellsPrintNothing) {
    u32 sizes[][2] = {{0, 0}, {0, 3}, {3, 0}};
    for (auto& size : sizes) {
        Playing_Field pf = {};
        pf.width = size[0];
        pf.height = size[1];
        init_playing_field(&pf);
        add_finish(&pf, 0, 0, Gem_Type::Red);
        ensure_board_printers();
        EXPECT_EQ(capture_print([&] { EXPECT_EQ(print_playing_field(print_stream, &pf), 0); }), "");
        free_playing_field(&pf);
    }
}

TEST(SmallPrinters, TypesPositionsGemsTurns) {
    const char* long_names[] = {"None", "Black", "Red", "Blue", "Yellow", "Purple", "Grey", "White", "None"};
    const char* letters[] = {" ", "@", "R", "B", "Y", "P", "G", "W", " "};
    for (u32 t = 0; t < 9; t++) {
        EXPECT_EQ(printed_type("%{gem_type}", t), long_names[t]);
        EXPECT_EQ(printed_type("%{short_gem_type}", t), letters[t]);
    }
    EXPECT_EQ(printed_type("%{gem_type}", 1000), "None");

    Pos pos = {2, 1};
    EXPECT_EQ(printed("%{->pos}", &pos), "(2, 1)");
    Gem gem = {};
    gem.type = Gem_Type::Purple;
    EXPECT_EQ(printed("%{->gem}", &gem), "Gem{ .type = Purple, }");
    const char* dirs[] = {"Up", "Down", "Left", "Right", "Right"};
    for (u8 d = 0; d < 5; d++) {
        Turn turn = {Pos{3, 4}, (Flip_Dir)d};
        EXPECT_EQ(printed("%{->turn}", &turn), std::string("(3 4) -> ") + dirs[d]);
    }
}

TEST(SmallPrinters, Solutions) {
    Solution solution = {};
    array_list_init(&solution.turns, 16);
    EXPECT_EQ(printed("%{->solution}", &solution), "Solution: \033[31mnot found\033[0m");
    solution.found = 1;
    EXPECT_EQ(printed("%{->solution}", &solution), "Solution: \033[32mfound (0 turns):\033[0m\n already solved");
    array_list_push(&solution.turns, Turn{Pos{0, 0}, Flip_Dir::Right});
    array_list_push(&solution.turns, Turn{Pos{1, 2}, Flip_Dir::Down});
    EXPECT_EQ(printed("%{->solution}", &solution),
              "Solution: \033[32mfound (2 turns):\033[0m\n - (0 0) -> Right\n - (1 2) -> Down");
    array_list_free(&solution.turns);
}

}  // namespace
