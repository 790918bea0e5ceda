// A fresh scene pool and registry for every test, released again afterwards.
#pragma once

#include <gtest/gtest.h>

#include "scenes.h"

class Scene_Test : public ::testing::Test {
protected:
    void SetUp() override {
        bucket_array_init(&scene_pool);
        array_list_init(&Scene_Registry, 16);
    }
    void TearDown() override {
        for (u32 i = 0; i < Scene_Registry.count; i++) {
            free_playing_field(&Scene_Registry.data[i]->field);
            array_list_free(&Scene_Registry.data[i]->extra_objects);
        }
        array_list_free(&Scene_Registry);
        bucket_array_destroy(&scene_pool);
    }

    // Runs one builder and returns the scene it appended.
    Scene* build(void (*builder)()) {
        u32 before = Scene_Registry.count;
        builder();
        EXPECT_EQ(Scene_Registry.count, before + 1);
        return Scene_Registry.data[Scene_Registry.count - 1];
    }
};
