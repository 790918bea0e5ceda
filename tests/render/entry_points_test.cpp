// The entry-point table: every command loaded, and none of their names exported by the executable.
#define VKLOADS_NO_CALL_NAMES
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "vek/memory.h"
#include "vkloads.h"

namespace {

TEST(EntryPoints, AllLoadedAndNoneExported) {
    static_assert(sizeof(Vulkan_Entry_Points) == 90 * sizeof(void*), "90 commands");
    u32 loaded = 0;
#define CHECK_ENTRY(name)                                                                  \
    EXPECT_NE((void*)vk_entry_points.name, nullptr) << #name;                             \
    EXPECT_EQ(dlsym(RTLD_DEFAULT, #name), nullptr) << #name << " is an exported symbol"; \
    loaded++;
    VK_GLOBAL_ENTRY_POINTS(CHECK_ENTRY)
    VK_INSTANCE_ENTRY_POINTS(CHECK_ENTRY)
    VK_DEVICE_ENTRY_POINTS(CHECK_ENTRY)
#undef CHECK_ENTRY
    EXPECT_EQ(loaded, 90u);
}

}  // namespace
