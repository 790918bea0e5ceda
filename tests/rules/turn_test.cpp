// Turn resolution: every colour rule on boards built for it, the queue's bookkeeping, the animation
// time and input lock with a scheduler, refused turns, and the verbose log of a whole chain.
#include <gtest/gtest.h>

#include "board_builder.h"
#include "gem_objects.h"
#include "vek/scheduler.h"

namespace {

using Rows = std::vector<std::string>;

struct Rule_Case {
    const char* what;
    Rows before;
    u8 x, y;
    Flip_Dir dir;
    Rows after;
};

// Boards are drawn top row first; the move is given in board coordinates (row 0 at the bottom).
const Rule_Case rule_cases[] = {
    // Red
    {"red pushes a gem into an empty cell", {"R.G."}, 0, 0, Flip_Dir::Right, {".R.G"}},
    {"red cannot push off the board", {"R.G"}, 0, 0, Flip_Dir::Right, {".RG"}},
    {"red cannot push into an occupied cell", {"R.GG."}, 0, 0, Flip_Dir::Right, {".RGG."}},
    {"red never pushes black", {"R.@."}, 0, 0, Flip_Dir::Right, {".R@."}},
    {"red pushes both sides at once",
     {"..R..",
      ".G.G."}, 2, 1, Flip_Dir::Down,
     {".....",
      "G.R.G"}},
    {"a pushed red pushes in turn", {"R.R.G."}, 0, 0, Flip_Dir::Right, {".R.R.G"}},
    // Yellow
    {"yellow pulls a gem two cells away", {"Y..G"}, 0, 0, Flip_Dir::Right, {".YG."}},
    {"yellow needs the near cell empty", {"Y.GG"}, 0, 0, Flip_Dir::Right, {".YGG"}},
    {"yellow never pulls black", {"Y..@"}, 0, 0, Flip_Dir::Right, {".Y.@"}},
    {"yellow pulls from every side",
     {"..G..",
      "..Y..",
      "G...G",
      ".....",
      "..G.."}, 2, 3, Flip_Dir::Down,
     {".....",
      "..G..",
      ".GYG.",
      "..G..",
      "....."}},
    // Blue
    {"a moved blue teleports straight back", {"B.."}, 0, 0, Flip_Dir::Right, {"B.."}},
    {"a pushed blue teleports back next to the red",
     {"..R..",
      ".B..."}, 2, 1, Flip_Dir::Down,
     {".....",
      ".BR.."}},
    {"a blue whose start cell got taken stays",
     {"..R..",
      ".B.R@"}, 2, 1, Flip_Dir::Down,
     {".....",
      "BR.R@"}},
    // Purple
    {"a moved purple swaps with its first non-black neighbour (Up, Right, Down, Left)",
     {".@.",
      "Y.P",
      ".R."}, 2, 1, Flip_Dir::Left,
     {".@.",
      "YR.",
      ".P."}},
    {"a pushed purple swaps with the red that pushed it", {"R.P."}, 0, 0, Flip_Dir::Right, {".P.R"}},
    {"a purple with nobody to swap with stays",
     {".@.",
      "@.P",
      ".@."}, 2, 1, Flip_Dir::Left,
     {".@.",
      "@P.",
      ".@."}},
    // White and grey
    {"whites relay the trigger along a line", {"R.WWY.G"}, 0, 0, Flip_Dir::Right, {".RWWYG."}},
    {"grey never acts", {"R.G.."}, 0, 0, Flip_Dir::Right, {".R.G."}},
};

class Rule : public testing::TestWithParam<Rule_Case> {};

TEST_P(Rule, ResolvesToTheExpectedBoard) {
    const Rule_Case& c = GetParam();
    Playing_Field pf;
    make_board(&pf, c.before);
    EXPECT_EQ(play(&pf, c.x, c.y, c.dir), 0.0f);   // no scheduler, no time
    EXPECT_EQ(board_rows(&pf), c.after) << c.what;
    EXPECT_EQ(pf.queue_head, pf.queue.count);
    free_playing_field(&pf);
}

void PrintTo(const Rule_Case& c, std::ostream* os) { *os << c.what; }

// Each case is named after its description, so a failure says which board broke.
std::string rule_case_name(const testing::TestParamInfo<Rule_Case>& info) {
    std::string name;
    for (const char* c = info.param.what; *c; c++) name += isalnum((unsigned char)*c) ? *c : '_';
    return name + "_" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(ColourRules, Rule, testing::ValuesIn(rule_cases), rule_case_name);

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(TurnLog, AlreadyTriggeredGemIsPushedButNotQueuedAgain) {
    Playing_Field pf;
    make_board(&pf, {"R.B."});
    std::string log = verbose_log(&pf, 0, 0, Flip_Dir::Right);
    // The blue was queued as a neighbour of the moved red, then pushed by it.
    EXPECT_TRUE(contains(log, "Putting B (2 0) in the queue (triggered by R (1 0))\n"));
    EXPECT_TRUE(contains(log, "Red pushes (2, 0) to (3, 0)\n"
                              "not adding B (2 0) because it was already triggered\n"));
    EXPECT_TRUE(contains(log, "Blue teleports back from (3, 0) to (2, 0)\n"));
    EXPECT_EQ(board_rows(&pf), (Rows{".RB."}));
    free_playing_field(&pf);
}

TEST(TurnLog, GreyIsPushedButNeverQueued) {
    Playing_Field pf;
    make_board(&pf, {"R.G.."});
    std::string log = verbose_log(&pf, 0, 0, Flip_Dir::Right);
    EXPECT_TRUE(contains(log, "not adding G (2 0) because it is untriggerable\n"));
    EXPECT_FALSE(contains(log, "Running G"));
    free_playing_field(&pf);
}

TEST(TurnLog, UnmovedBlueReportsTheSameCellTwice) {
    Playing_Field pf;
    make_board(&pf, {"R.B"});
    std::string log = verbose_log(&pf, 0, 0, Flip_Dir::Right);   // red cannot push it off the board
    EXPECT_TRUE(contains(log, "Blue wants to teleport back from (2, 0) to (2, 0), but it is blocked.\n"));
    free_playing_field(&pf);
}

TEST(TurnLog, TwoWhitesSideBySide) {
    Playing_Field pf;
    make_board(&pf, {"R.WW."});
    std::string log = verbose_log(&pf, 0, 0, Flip_Dir::Right);
    EXPECT_TRUE(contains(log, "Putting W (3 0) in the queue (triggered by W (2 0))\n"));
    EXPECT_TRUE(contains(log, "not adding W (2 0) because it was already triggered\n"));
    free_playing_field(&pf);
}

TEST(TurnLog, LonelyPurple) {
    Playing_Field pf;
    make_board(&pf, {"P.."});
    std::string log = verbose_log(&pf, 0, 0, Flip_Dir::Right);
    EXPECT_TRUE(contains(log, "Purple at (1, 0) was not triggered by anyone, so it decided to switch with   (0 0)\n"
                              "Purple at (1, 0) has no one to swap with\n"));
    free_playing_field(&pf);
}

TEST(Turn, PerTurnFieldsAndQueue) {
    Playing_Field pf;
    make_board(&pf, {"R.P."});   // gem 1 red, gem 2 purple
    play(&pf, 0, 0, Flip_Dir::Right);
    // The moved red counts as triggered by nobody; the purple by the red.
    EXPECT_EQ(pf.gems.data[1].triggered, 1);
    EXPECT_EQ(pf.gems.data[1].triggered_by, 0u);
    EXPECT_EQ(pf.gems.data[2].triggered_by, 1u);
    EXPECT_EQ(pf.gems.data[1].start_x, 0);
    EXPECT_EQ(pf.gems.data[2].start_x, 2);
    ASSERT_EQ(pf.queue.count, 2u);
    EXPECT_EQ(pf.queue.data[0], 1u);
    EXPECT_EQ(pf.queue.data[1], 2u);

    // The next turn starts afresh: the lonely purple steps left and nobody else is touched.
    play(&pf, 1, 0, Flip_Dir::Left);
    EXPECT_EQ(pf.gems.data[1].triggered, 0);
    EXPECT_EQ(pf.gems.data[1].start_x, 3);
    EXPECT_EQ(pf.gems.data[2].triggered_by, 0u);
    EXPECT_EQ(pf.gems.data[2].start_x, 1);
    ASSERT_EQ(pf.queue.count, 1u);
    EXPECT_EQ(board_rows(&pf), (Rows{"P..R"}));
    free_playing_field(&pf);
}

// ---------------------------------------------------------------------------------------------------
// Timing with a scheduler

struct Timed_Turn : testing::Test {
    Scheduler sched = {};
    std::vector<Transform> objects;
    void SetUp() override {
        init_scheduler(&sched);
        register_gem_interpolators(&sched);
        animation_lock = 0;
    }
    void TearDown() override {
        destroy_scheduler(&sched);
        animation_lock = 0;
    }
    f32 turn(Playing_Field* pf, u8 x, u8 y, Flip_Dir dir) {
        Turn t = {Pos{x, y}, dir};
        place_gem_objects(pf, &objects);
        return do_turn(pf, &t, false, &sched);
    }
};

TEST_F(Timed_Turn, EachRuleAddsItsSlot) {
    struct Timing {
        Rows board;
        u8 x, y;
        Flip_Dir dir;
        f32 time;
    };
    const Timing timings[] = {
        {{"..R..", ".G.G."}, 2, 1, Flip_Dir::Down, 1.0f},   // two pushes play together
        {{"Y..G"}, 0, 0, Flip_Dir::Right, 1.0f},
        {{"..G..", "..Y..", "G...G", ".....", "..G.."}, 2, 3, Flip_Dir::Down, 1.0f},   // four pulls together
        {{"B.."}, 0, 0, Flip_Dir::Right, 1.2f},
        {{"R.P."}, 0, 0, Flip_Dir::Right, 2.2f},             // push, then swap
        {{"..R..", ".B..."}, 2, 1, Flip_Dir::Down, 2.2f},    // push, then teleport
        {{"R.R.G."}, 0, 0, Flip_Dir::Right, 2.0f},           // two reds one after the other
    };
    for (const Timing& t : timings) {
        Playing_Field pf;
        make_board(&pf, t.board);
        EXPECT_FLOAT_EQ(turn(&pf, t.x, t.y, t.dir), t.time) << t.board[0];
        free_playing_field(&pf);
    }
}

TEST_F(Timed_Turn, LockHoldsUntilTheAnimationsAreOver) {
    Playing_Field pf;
    make_board(&pf, {"R.P."});
    f32 t = turn(&pf, 0, 0, Flip_Dir::Right);
    ASSERT_FLOAT_EQ(t, 2.2f);
    EXPECT_EQ(animation_lock, 1);
    update_scheduler(&sched, 2.1f);
    EXPECT_EQ(animation_lock, 1);
    update_scheduler(&sched, 0.2f);
    EXPECT_EQ(animation_lock, 0);
    free_playing_field(&pf);
}

TEST_F(Timed_Turn, TurnWithoutAnimationLeavesTheLockAlone) {
    Playing_Field pf;
    make_board(&pf, {"R.@."});
    animation_lock = 1;   // e.g. held by a scene opening
    EXPECT_EQ(turn(&pf, 0, 0, Flip_Dir::Right), 0.0f);
    EXPECT_EQ(animation_lock, 1);
    animation_lock = 0;
    EXPECT_EQ(turn(&pf, 1, 0, Flip_Dir::Left), 0.0f);
    EXPECT_EQ(animation_lock, 0);
    update_scheduler(&sched, 10.0f);   // nothing was scheduled that could change it
    EXPECT_EQ(animation_lock, 0);
    free_playing_field(&pf);
}

// ---------------------------------------------------------------------------------------------------
// Turns the listing would not offer

TEST(RefusedTurn, LeavesTheBoardUntouchedAndReports) {
    Playing_Field pf;
    make_board(&pf, {"W.R",
                     "..G"});
    play(&pf, 2, 1, Flip_Dir::Left);   // a normal turn first, so the per-turn fields are not all zero
    const Turn bad[] = {
        {Pos{1, 0}, Flip_Dir::Up},      // empty cell
        {Pos{0, 1}, Flip_Dir::Down},    // white cannot be moved
        {Pos{2, 0}, Flip_Dir::Left},    // grey cannot be moved
        {Pos{1, 1}, Flip_Dir::Left},    // target held
        {Pos{1, 1}, Flip_Dir::Up},      // target off the board
        {Pos{1, 1}, (Flip_Dir)4},       // no such direction
        {Pos{9, 9}, Flip_Dir::Down},    // source off the board
        {Pos{1, 255}, Flip_Dir::Up},    // wraps back onto the board
    };
    ensure_board_printers();
    for (const Turn& turn : bad) {
        Playing_Field before;
        copy_playing_field(&before, &pf);
        u32 queue_count = pf.queue.count;
        std::string log = capture_print([&] { EXPECT_EQ(do_turn(&pf, &turn, true, nullptr), 0.0f); });
        EXPECT_TRUE(contains(log, "condition: is_legal_turn(pf, turn)")) << log;
        EXPECT_FALSE(contains(log, "Putting")) << log;
        EXPECT_EQ(memcmp(before.cells, pf.cells, 6 * sizeof(u32)), 0);
        EXPECT_EQ(memcmp(before.gems.data, pf.gems.data, pf.gems.count * sizeof(Gem)), 0);
        EXPECT_EQ(pf.queue.count, queue_count);
        free_playing_field(&before);
    }
    free_playing_field(&pf);
}

// ---------------------------------------------------------------------------------------------------
// The whole log of a chain: red push, white, blue teleport, grey and black refused, yellow pull,
// purple swap with a partner that has since moved.

void make_chain_board(Playing_Field* pf) {
    make_board(pf, {".W.YG",
                    "R.B.P",
                    ".@G.."});
    add_finish(pf, 2, 1, Gem_Type::Purple);
    add_finish(pf, 4, 1, Gem_Type::Blue);
    add_finish(pf, 0, 0, Gem_Type::Yellow);
    add_finish(pf, 4, 2, Gem_Type::Grey);
    add_finish(pf, 2, 2, Gem_Type::White);
    add_finish(pf, 1, 1, Gem_Type::Red);
}

// Checked by hand against the rules: the moved red runs first, pushes the blue (already queued as its
// neighbour) and queues the blue's new neighbours; the white finds only the red; the blue jumps back and
// refuses the grey; the yellow pulls the white; the purple swaps with the blue, its trigger, which has
// moved back meanwhile. Waiting gems print cyan, and every colour pop returns to the turn's red.
const char* const chain_log =
    "\033[31mPutting R (1 1) in the queue (initial move)\n"
    "+---W---+---Y---G  \033[0m- [ ] Purple finish at (2 1) \033[31m\n"
    "|   |   |   |   |  \033[0m- [ ] Blue finish at (4 1) \033[31m\n"
    "+---\033[36mR\033[31m---B---+---P  \033[0m- [ ] Yellow finish at (0 0) \033[31m\n"
    "|   |   |   |   |  \033[32m- [X] Grey finish at (4 2) \033[31m\n"
    "+---@---G---+---+  \033[0m- [ ] White finish at (2 2) \033[31m\n"
    "                   \033[32m- [X] Red finish at (1 1) \033[31m\n"
    "Putting W (1 2) in the queue (triggered by R (1 1))\n"
    "Putting B (2 1) in the queue (triggered by R (1 1))\n"
    "not adding @ (1 0) because it is untriggerable\n"
    "Running R (1 1) from the queue\n"
    "Red pushes (2, 1) to (3, 1)\n"
    "not adding B (2 1) because it was already triggered\n"
    "Putting Y (3 2) in the queue (triggered by B (3 1))\n"
    "Putting P (4 1) in the queue (triggered by B (3 1))\n"
    "+---\033[36mW\033[31m---+---\033[36mY\033[31m---G  \033[0m- [ ] Purple finish at (2 1) \033[31m\n"
    "|   |   |   |   |  \033[0m- [ ] Blue finish at (4 1) \033[31m\n"
    "+---R---+---\033[36mB\033[31m---\033[36mP\033[31m  \033[0m- [ ] Yellow finish at (0 0) \033[31m\n"
    "|   |   |   |   |  \033[32m- [X] Grey finish at (4 2) \033[31m\n"
    "+---@---G---+---+  \033[0m- [ ] White finish at (2 2) \033[31m\n"
    "                   \033[32m- [X] Red finish at (1 1) \033[31m\n"
    "Running W (1 2) from the queue\n"
    "not adding R (1 1) because it was already triggered\n"
    "+---W---+---\033[36mY\033[31m---G  \033[0m- [ ] Purple finish at (2 1) \033[31m\n"
    "|   |   |   |   |  \033[0m- [ ] Blue finish at (4 1) \033[31m\n"
    "+---R---+---\033[36mB\033[31m---\033[36mP\033[31m  \033[0m- [ ] Yellow finish at (0 0) \033[31m\n"
    "|   |   |   |   |  \033[32m- [X] Grey finish at (4 2) \033[31m\n"
    "+---@---G---+---+  \033[0m- [ ] White finish at (2 2) \033[31m\n"
    "                   \033[32m- [X] Red finish at (1 1) \033[31m\n"
    "Running B (3 1) from the queue\n"
    "Blue teleports back from (3, 1) to (2, 1)\n"
    "not adding G (2 0) because it is untriggerable\n"
    "not adding R (1 1) because it was already triggered\n"
    "+---W---+---\033[36mY\033[31m---G  \033[0m- [ ] Purple finish at (2 1) \033[31m\n"
    "|   |   |   |   |  \033[0m- [ ] Blue finish at (4 1) \033[31m\n"
    "+---R---B---+---\033[36mP\033[31m  \033[0m- [ ] Yellow finish at (0 0) \033[31m\n"
    "|   |   |   |   |  \033[32m- [X] Grey finish at (4 2) \033[31m\n"
    "+---@---G---+---+  \033[0m- [ ] White finish at (2 2) \033[31m\n"
    "                   \033[32m- [X] Red finish at (1 1) \033[31m\n"
    "Running Y (3 2) from the queue\n"
    "Yellow pulls (1, 2) to (2, 2)\n"
    "not adding W (1 2) because it was already triggered\n"
    "not adding Y (3 2) because it was already triggered\n"
    "not adding B (2 1) because it was already triggered\n"
    "+---+---W---Y---G  \033[0m- [ ] Purple finish at (2 1) \033[31m\n"
    "|   |   |   |   |  \033[0m- [ ] Blue finish at (4 1) \033[31m\n"
    "+---R---B---+---\033[36mP\033[31m  \033[0m- [ ] Yellow finish at (0 0) \033[31m\n"
    "|   |   |   |   |  \033[32m- [X] Grey finish at (4 2) \033[31m\n"
    "+---@---G---+---+  \033[32m- [X] White finish at (2 2) \033[31m\n"
    "                   \033[32m- [X] Red finish at (1 1) \033[31m\n"
    "Running P (4 1) from the queue\n"
    "Purple (2 1) switches with Blue (4 1)\n"
    "+---+---W---Y---G  \033[32m- [X] Purple finish at (2 1) \033[31m\n"
    "|   |   |   |   |  \033[32m- [X] Blue finish at (4 1) \033[31m\n"
    "+---R---P---+---B  \033[0m- [ ] Yellow finish at (0 0) \033[31m\n"
    "|   |   |   |   |  \033[32m- [X] Grey finish at (4 2) \033[31m\n"
    "+---@---G---+---+  \033[32m- [X] White finish at (2 2) \033[31m\n"
    "                   \033[32m- [X] Red finish at (1 1) \033[31m\n"
    "\033[0m";

TEST(ChainLog, GoldenText) {
    Playing_Field pf;
    make_chain_board(&pf);
    EXPECT_EQ(verbose_log(&pf, 0, 1, Flip_Dir::Right), chain_log);
    EXPECT_EQ(board_rows(&pf), (Rows{"..WYG", ".RP.B", ".@G.."}));
    EXPECT_FALSE(is_solved(&pf));   // the yellow finish is still empty
    free_playing_field(&pf);
}

TEST(ChainLog, AnimationTimeAddsUpInQueueOrder) {
    Scheduler sched = {};
    init_scheduler(&sched);
    register_gem_interpolators(&sched);
    Playing_Field pf;
    make_chain_board(&pf);
    std::vector<Transform> objects;
    place_gem_objects(&pf, &objects);
    Turn turn = {Pos{0, 1}, Flip_Dir::Right};
    // Red push 1.0, blue teleport 1.2, yellow pull 1.0, purple swap 1.2.
    EXPECT_FLOAT_EQ(do_turn(&pf, &turn, false, &sched), 4.4f);
    EXPECT_EQ(board_rows(&pf), (Rows{"..WYG", ".RP.B", ".@G.."}));
    update_scheduler(&sched, 4.5f);
    EXPECT_EQ(animation_lock, 0);
    free_playing_field(&pf);
    destroy_scheduler(&sched);
}

}  // namespace
