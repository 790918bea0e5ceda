// Picking: the cursor ray through the camera, its meeting with the board plane, the cell under it and
// the press's hit on a gem's sphere.
#include <gtest/gtest.h>

#include <math.h>

#include "app.h"
#include "panic_expect.h"
#include "vek/math_print.h"

namespace {

// The main menu's camera at the end of its opening move.
const glm::vec3 eye(5, 1.5f, 8);
const glm::vec3 target(5, 2.5f, 0);
const f32 settled_fov = 0.8726646f;

// Window pixel at which the camera shows a world point (window y grows downwards, like clip y).
glm::dvec2 window_pixel(glm::vec3 world, const glm::mat4& view, const glm::mat4& projection) {
    glm::vec4 clip = projection * view * glm::vec4(world, 1);
    return {(clip.x / clip.w + 1.0) * 0.5 * 1600.0, (clip.y / clip.w + 1.0) * 0.5 * 900.0};
}

Playing_Field board(u32 width, u32 height) {
    Playing_Field pf = {};
    pf.width = width;
    pf.height = height;
    return pf;
}

TEST(Picking, TheRayThroughAGemsPixelMeetsTheBoardAtThatGem) {
    glm::mat4 view = camera_view(eye, target);
    glm::mat4 projection = camera_projection(settled_fov, 1600, 900);
    for (glm::vec3 world : {glm::vec3(6, 2, 0), glm::vec3(5, 2, 0), glm::vec3(0, 0, 0), glm::vec3(9, 4, 0),
                            glm::vec3(2.3f, 3.7f, 0)}) {
        glm::dvec2 pixel = window_pixel(world, view, projection);
        glm::vec3 d = cursor_ray(pixel.x, pixel.y, 1600, 900, view, projection);
        EXPECT_NEAR(glm::length(d), 1.0f, 1e-5f);
        glm::vec3 hit = ray_on_plane(eye, d, 0.0f);
        EXPECT_NEAR(hit.x, world.x, 1e-3f);
        EXPECT_NEAR(hit.y, world.y, 1e-3f);
        EXPECT_NEAR(hit.z, 0.0f, 1e-5f);
    }
    // The window centre looks at the target; the window's top shows rows further down the board.
    glm::vec3 centre = ray_on_plane(eye, cursor_ray(800, 450, 1600, 900, view, projection), 0.0f);
    EXPECT_NEAR(centre.x, 5.0f, 1e-4f);
    EXPECT_NEAR(centre.y, 2.5f, 1e-4f);
    glm::vec3 top = ray_on_plane(eye, cursor_ray(800, 0, 1600, 900, view, projection), 0.0f);
    EXPECT_LT(top.y, 2.5f);
    // A plane above the board is met above the same ray's board point.
    glm::vec3 d = cursor_ray(1000, 300, 1600, 900, view, projection);
    EXPECT_NEAR(ray_on_plane(eye, d, 0.4f).z, 0.4f, 1e-5f);
}

TEST(Picking, CellUnderThePointCountsHalfACellAroundEachCentre) {
    Playing_Field pf = board(10, 5);
    struct Case {
        glm::vec3 p;
        bool on_board;
        u8 x, y;
    };
    const Case cases[] = {
        {{6.0f, 2.0f, 0}, true, 6, 2},
        {{5.49f, 1.51f, 0}, true, 5, 2},
        {{-0.5f, -0.5f, 0}, true, 0, 0},
        {{9.49f, 4.49f, 0}, true, 9, 4},
        {{9.5f, 2.0f, 0}, false, 10, 2},
        {{3.0f, 4.5f, 0}, false, 3, 5},
        // Left of and below the board: off it, although the coordinate truncates to 0.
        {{-0.7f, 2.0f, 0}, false, 0, 2},
        {{2.0f, -0.51f, 0}, false, 2, 0},
        // Further off, the coordinate keeps its low 8 bits for the log.
        {{-2.0f, 1.0f, 0}, false, 255, 1},
        {{300.0f, 1.0f, 0}, false, (u8)300, 1},
    };
    for (const Case& c : cases) {
        Cursor_Cell cell = cell_under_point(&pf, c.p);
        EXPECT_EQ(cell.on_board, c.on_board) << c.p.x << " " << c.p.y;
        EXPECT_EQ(cell.pos.x, c.x) << c.p.x;
        EXPECT_EQ(cell.pos.y, c.y) << c.p.y;
    }
    // A ray along the plane meets it nowhere: no cell takes the result.
    glm::vec3 parallel = ray_on_plane(glm::vec3(5, 1.5f, 0.0f), glm::vec3(0, 1, 0), 0.0f);
    EXPECT_FALSE(cell_under_point(&pf, parallel).on_board);
    EXPECT_FALSE(cell_under_point(&pf, ray_on_plane(eye, glm::vec3(1, 0, 0), 0.0f)).on_board);
    EXPECT_FALSE(cell_under_point(&pf, glm::vec3(INFINITY, 1, 0)).on_board);
    Playing_Field empty = board(0, 0);
    EXPECT_FALSE(cell_under_point(&empty, glm::vec3(0, 0, 0)).on_board);
}

TEST(Picking, PressHitsTheNearSideOfTheGemsSphere) {
    // Straight down onto the centre: the top of the sphere.
    glm::vec3 hit = ray_sphere_hit(glm::vec3(3, 2, 8), glm::vec3(0, 0, -1), Pos{3, 2});
    EXPECT_NEAR(hit.z, 0.5f, 1e-5f);
    EXPECT_NEAR(hit.x, 3.0f, 1e-5f);
    // A slanted ray grazing the sphere's side hits it off-centre, on the camera's side.
    glm::vec3 d = glm::normalize(glm::vec3(0, 1, -2));
    glm::vec3 origin = glm::vec3(6, 2.2f, 0) - 10.0f * d;
    hit = ray_sphere_hit(origin, d, Pos{6, 2});
    EXPECT_NEAR(glm::length(hit - glm::vec3(6, 2, 0)), 0.5f, 1e-4f);
    EXPECT_LT(hit.y, 2.2f);
    EXPECT_GT(hit.z, 0.0f);
    // A miss gives the cell's centre, so the grab has no offset.
    hit = ray_sphere_hit(glm::vec3(3, 2, 8), glm::vec3(0, 0, -1), Pos{5, 2});
    EXPECT_EQ(hit, glm::vec3(5, 2, 0));
    // From inside the sphere the nearer of the two crossings counts, even behind the origin.
    hit = ray_sphere_hit(glm::vec3(1, 1, 0.4f), glm::vec3(0, 0, -1), Pos{1, 1});
    EXPECT_NEAR(hit.z, 0.5f, 1e-5f);
}

TEST(Picking, FlipDirectionFromTwoPositions) {
    glm::vec3 a(3, 2, 0);
    glm::vec3 left(2.1f, 2, 0), right(4, 2.2f, 0), down(3, 1, 0), up(3.2f, 2.9f, 0);
    EXPECT_EQ(get_flip_dir_from_positions(&a, &left), Flip_Dir::Left);
    EXPECT_EQ(get_flip_dir_from_positions(&a, &right), Flip_Dir::Right);
    EXPECT_EQ(get_flip_dir_from_positions(&a, &down), Flip_Dir::Down);
    EXPECT_EQ(get_flip_dir_from_positions(&a, &up), Flip_Dir::Up);
}

TEST(PickingDeathTest, FlipDirectionOfNoNeighbourPanics) {
    ensure_printer();
    register_math_printers();
    glm::vec3 a(3, 2, 0), far_away(6, 6, 0);
    EXPECT_PANIC(get_flip_dir_from_positions(&a, &a), "flip_dir could not be calculated\n from: ");
    EXPECT_PANIC(get_flip_dir_from_positions(&a, &far_away), "src/app");
}

TEST(Progression, NextSceneWrapsToTheMainMenuAfterTheLastLevel) {
    EXPECT_EQ(next_scene_after(1, 21), 2u);
    EXPECT_EQ(next_scene_after(2, 21), 3u);
    EXPECT_EQ(next_scene_after(19, 21), 20u);
    EXPECT_EQ(next_scene_after(20, 21), 1u);
    // Never back to the intro, also from a registry that holds only the intro and the menu.
    EXPECT_EQ(next_scene_after(1, 2), 1u);
    EXPECT_EQ(next_scene_after(0, 21), 1u);
}

}  // namespace
