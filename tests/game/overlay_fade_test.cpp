// Help overlays: the picture of each colour, the fade after leaving the gems, cancelling a fade, and
// the first-visit logo of the main menu on the gameplay scheduler.
#include <gtest/gtest.h>

#include "app.h"
#include "capture.h"
#include "imgui_inter.h"
#include "scenes.h"

namespace {

class Help_Overlay : public ::testing::Test {
protected:
    Gem gem = {};
    void SetUp() override {
        ensure_printer();
        game_scheduler = {};
        interface_scheduler = {};
        init_scheduler(&game_scheduler);
        init_scheduler(&interface_scheduler);
        overlay_image = Overlay_Image::Wasd;
        overlay_alpha = 0.0f;
        hovered_gem = nullptr;
    }
    void TearDown() override {
        destroy_scheduler(&game_scheduler);
        destroy_scheduler(&interface_scheduler);
        hovered_gem = nullptr;
    }
    void advance(f32 seconds) {
        for (f32 t = 0; t < seconds - 1e-4f; t += 0.05f) update_scheduler(&interface_scheduler, 0.05f);
    }
};

TEST_F(Help_Overlay, EveryColourHasItsPictureAtFullOpacity) {
    const std::pair<Gem_Type, Overlay_Image> pictures[] = {
        {Gem_Type::Black, Overlay_Image::Black_Tooltip},   {Gem_Type::Red, Overlay_Image::Red_Tooltip},
        {Gem_Type::Blue, Overlay_Image::Blue_Tooltip},     {Gem_Type::Yellow, Overlay_Image::Yellow_Tooltip},
        {Gem_Type::Purple, Overlay_Image::Purple_Tooltip}, {Gem_Type::Grey, Overlay_Image::Grey_Tooltip},
        {Gem_Type::White, Overlay_Image::White_Tooltip},
    };
    for (auto [type, picture] : pictures) {
        overlay_alpha = 0.3f;
        show_overlay(type);
        EXPECT_EQ(overlay_image, picture);
        EXPECT_EQ(overlay_alpha, 1.0f);
    }
    EXPECT_EQ((u32)Overlay_Image::Red_Tooltip, 6u);
    EXPECT_EQ((u32)Overlay_Image::Yellow_Tooltip, 12u);

    // An empty cell hides the picture; a value outside the colours changes nothing.
    overlay_alpha = 0.6f;
    EXPECT_EQ(capture_print([] { show_overlay(Gem_Type::None); }), "No overlay to show\n");
    EXPECT_EQ(overlay_image, Overlay_Image::None);
    EXPECT_EQ(overlay_alpha, 0.6f);
    show_overlay(Gem_Type::Blue);
    EXPECT_EQ(capture_print([] { show_overlay((Gem_Type)9); }), "default gem type case\n");
    EXPECT_EQ(overlay_image, Overlay_Image::Blue_Tooltip);
}

TEST_F(Help_Overlay, LeavingTheGemsKeepsThePictureASecondThenFadesItOverTwo) {
    hovered_gem = &gem;
    show_overlay(Gem_Type::Red);
    fade_out_overlay();
    advance(0.95f);
    EXPECT_EQ(overlay_alpha, 1.0f);
    advance(1.05f);   // half-way through the fade, easing out: 1 - 0.75
    EXPECT_NEAR(overlay_alpha, 0.25f, 0.03f);
    advance(1.1f);
    EXPECT_EQ(overlay_alpha, 0.0f);

    // Coming back to a gem during the fade cancels it.
    show_overlay(Gem_Type::Red);
    fade_out_overlay();
    advance(1.5f);
    EXPECT_LT(overlay_alpha, 1.0f);
    show_overlay(Gem_Type::Grey);
    advance(4.0f);
    EXPECT_EQ(overlay_alpha, 1.0f);
    EXPECT_EQ(overlay_image, Overlay_Image::Grey_Tooltip);

    // Without a hovered gem there is nothing to fade.
    hovered_gem = nullptr;
    fade_out_overlay();
    show_overlay(Gem_Type::None);
    advance(4.0f);
    EXPECT_EQ(overlay_alpha, 1.0f);
}

TEST_F(Help_Overlay, MenuLogoFadesOnTheGameSchedulerOnlyOnTheFirstVisit) {
    logo_shown = 0;
    main_menu_on_load();
    EXPECT_EQ(logo_shown, 1);
    EXPECT_EQ(overlay_image, Overlay_Image::Logo);
    EXPECT_EQ(overlay_alpha, 1.0f);
    update_scheduler(&game_scheduler, 2.4f);
    EXPECT_EQ(overlay_alpha, 1.0f);
    // Hover help during the fade: clearing the interface scheduler leaves the logo's fade running.
    show_overlay(Gem_Type::Red);
    update_scheduler(&game_scheduler, 0.7f);
    EXPECT_LT(overlay_alpha, 1.0f);
    EXPECT_GT(overlay_alpha, 0.0f);
    EXPECT_EQ(overlay_image, Overlay_Image::Red_Tooltip);
    update_scheduler(&game_scheduler, 0.8f);
    EXPECT_EQ(overlay_alpha, 0.0f);

    // Later visits show nothing.
    overlay_image = Overlay_Image::None;
    main_menu_on_load();
    EXPECT_EQ(overlay_image, Overlay_Image::None);
    EXPECT_EQ(overlay_alpha, 0.0f);
    update_scheduler(&game_scheduler, 4.0f);
    EXPECT_EQ(overlay_alpha, 0.0f);
}

}  // namespace
