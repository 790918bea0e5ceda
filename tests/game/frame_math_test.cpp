// The per-frame maths: time-step guard, light orbit, light eye, camera and light projections.
#include <gtest/gtest.h>

#include "app.h"

namespace {

void expect_near(glm::vec3 actual, glm::vec3 expected, f32 tolerance = 1e-3f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

TEST(FrameMath, AStallAdvancesNothingAndTheLightTurnsATenthOfADegreePerSecond) {
    u8 stalled = 0;
    EXPECT_EQ(guard_time_step(0.0f, &stalled), 0.0f);
    EXPECT_EQ(guard_time_step(0.5f, &stalled), 0.5f);
    EXPECT_EQ(guard_time_step(0.51f, &stalled), 0.0f);
    EXPECT_EQ(guard_time_step(0.016f, &stalled), 0.016f);
    EXPECT_EQ(guard_time_step(30.0f, &stalled), 0.0f);
    EXPECT_EQ(guard_time_step(0.1f, &stalled), 0.1f);
    // Long steps in a row are a slow machine, not a stall: the game moves on, half a second at a time.
    EXPECT_EQ(guard_time_step(0.8f, &stalled), 0.0f);
    EXPECT_EQ(guard_time_step(0.8f, &stalled), 0.5f);
    EXPECT_EQ(guard_time_step(2.0f, &stalled), 0.5f);
    EXPECT_EQ(guard_time_step(0.3f, &stalled), 0.3f);
    EXPECT_EQ(guard_time_step(0.7f, &stalled), 0.0f);
    EXPECT_FLOAT_EQ(advance_orbit(139.1f, 1.0f), 139.2f);
    EXPECT_EQ(advance_orbit(139.1f, 0.0f), 139.1f);
    // No wrap-around: the angle grows on.
    f32 orbit = 359.95f;
    for (int i = 0; i < 10; i++) orbit = advance_orbit(orbit, 0.1f);
    EXPECT_NEAR(orbit, 360.05f, 1e-3f);
}

TEST(FrameMath, LightEyeIsTiltedThenTurnedAboutTheWorldOrigin) {
    expect_near(light_eye(glm::vec3(0, 0, 0), 0.0f, 0.0f), glm::vec3(0, 160, 0));
    expect_near(light_eye(glm::vec3(5, 2.5f, 0), 0.0f, 0.0f), glm::vec3(5, 162.5f, 0));
    // Straight above the origin.
    expect_near(light_eye(glm::vec3(0, 0, 0), 0.0f, 90.0f), glm::vec3(0, 0, 160));
    // Minus the orbit about z: +90 degrees turns +y towards +x.
    expect_near(light_eye(glm::vec3(0, 0, 0), 90.0f, 0.0f), glm::vec3(160, 0, 0));
    // A target away from the origin is turned about the origin too, not about itself.
    expect_near(light_eye(glm::vec3(5, 0, 0), 180.0f, 0.0f), glm::vec3(-5, -160, 0));
    // Distance from the origin is kept by both turns.
    glm::vec3 menu = light_eye(glm::vec3(5, 2.5f, 0), 139.1f, 46.3f);
    EXPECT_NEAR(glm::length(menu), glm::length(glm::vec3(5, 162.5f, 0)), 1e-2f);
    EXPECT_GT(menu.z, 0.0f);
}

TEST(FrameMath, CameraProjectionIsRightHandedZeroToOneWithoutFlip) {
    f32 fov = 0.8726646f;
    glm::mat4 p = camera_projection(fov, 1600, 900);
    f32 aspect = 1600.0f / 900.0f;
    EXPECT_FLOAT_EQ(p[0][0], 1.0f / (aspect * tanf(fov / 2)));
    EXPECT_FLOAT_EQ(p[1][1], 1.0f / tanf(fov / 2));
    EXPECT_GT(p[1][1], 0.0f);
    EXPECT_NEAR(p[2][2], -1.001001f, 1e-6f);
    EXPECT_EQ(p[2][3], -1.0f);
    EXPECT_NEAR(p[3][2], -0.1001001f, 1e-7f);
    EXPECT_EQ(p[3][3], 0.0f);
    // Depth 0 at the near plane and 1 at the far plane.
    glm::vec4 near_point = p * glm::vec4(0, 0, -0.1f, 1);
    glm::vec4 far_point = p * glm::vec4(0, 0, -100.0f, 1);
    EXPECT_NEAR(near_point.z / near_point.w, 0.0f, 1e-5f);
    EXPECT_NEAR(far_point.z / far_point.w, 1.0f, 1e-5f);
}

TEST(FrameMath, LightSpaceMapsTheBoardInsideTheShadowMap) {
    Light l = {139.1f, 46.3f, 157.0f, 175.0f, 8.3f};
    glm::mat4 p = light_projection(&l);
    EXPECT_NEAR(p[0][0], 1.0f / tanf(8.3f * 3.14159265f / 360.0f), 1e-3f);
    EXPECT_EQ(p[0][0], p[1][1]);
    EXPECT_NEAR(p[2][2], 175.0f / (157.0f - 175.0f), 1e-4f);
    EXPECT_NEAR(p[3][2], -(175.0f * 157.0f) / (175.0f - 157.0f), 1e-2f);

    // The main menu's board corners all land inside the light's view and depth range.
    Frame_Matrices m = compute_frame_matrices(&l, glm::vec3(5, 1.5f, 8), glm::vec3(5, 2.5f, 0), 0.8726646f, 1600, 900);
    expect_near(m.light_position, light_eye(glm::vec3(5, 2.5f, 0), 139.1f, 46.3f));
    for (glm::vec3 corner : {glm::vec3(0, 0, 0), glm::vec3(9, 0, 0), glm::vec3(0, 4, 0), glm::vec3(9, 4, 0)}) {
        glm::vec4 c = m.light_space * glm::vec4(corner, 1);
        glm::vec3 ndc = glm::vec3(c) / c.w;
        EXPECT_LT(fabsf(ndc.x), 1.0f);
        EXPECT_LT(fabsf(ndc.y), 1.0f);
        EXPECT_GT(ndc.z, 0.0f);
        EXPECT_LT(ndc.z, 1.0f);
    }
}

TEST(FrameMath, ElapsedSecondsComeFromTheClockCounts) {
    EXPECT_EQ(seconds_between(100, 100, 1000000000), 0.0f);
    EXPECT_FLOAT_EQ(seconds_between(0, 16666667, 1000000000), 0.016666667f);
    EXPECT_FLOAT_EQ(seconds_between(5000000000, 5750000000, 1000000000), 0.75f);
}

}  // namespace
