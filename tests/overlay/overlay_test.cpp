// Overlay layer tests: every picture at its place and size, opacity, the empty frame, the unknown id,
// the rebuild on a resize (pictures read again), the game's own pictures, input reaching both the game
// and the GUI, and the absence of the GUI library's stock back-ends from the link.
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <imgui.h>
#include <signal.h>
#include <stb_image_write.h>
#include <unistd.h>

#include <set>
#include <sstream>

#include "imgui_inter.h"
#include "in_process.h"

// From the window library's native interface (its header needs X extension headers we do not have).
extern "C" unsigned long glfwGetX11Window(GLFWwindow* window);

namespace {

typedef glm::ivec3 Rgb;

// The scene's background; every picture colour differs from it.
const Rgb background = {26, 51, 77};
// Where the test pictures live (the layer reads them relative to the working directory), and where the
// game's own pictures live (the run directory the test started in).
const std::string picture_dir = OVERLAY_TEST_DIR;
std::string run_dir;

// The colours of the test picture of each id: mostly `fill`, its top-left quadrant `corner`.
Rgb picture_fill(u32 id) {
    int i = (int)id - 1;
    return {40 + i * 17, 230 - i * 13, (i % 3) * 100 + 20};
}

Rgb picture_corner(u32 id) {
    int i = (int)id - 1;
    return {250 - i * 11, 20 + i * 7, 240 - (i % 4) * 50};
}

// A picture of colour `fill` with its top-left quadrant in `corner`, width = aspect x 64 pixels.
void write_test_picture(const std::string& file, f32 aspect, Rgb fill, Rgb corner) {
    const int height = 64;
    const int width = (int)(aspect * height);
    std::vector<u8> pixels((size_t)width * height * 4);
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            Rgb c = (x < width / 2 && y < height / 2) ? corner : fill;
            u8* p = &pixels[4 * ((size_t)y * width + x)];
            p[0] = (u8)c.r;
            p[1] = (u8)c.g;
            p[2] = (u8)c.b;
            p[3] = 255;
        }
    }
    stbi_write_png(file.c_str(), width, height, 4, pixels.data(), width * 4);
}

bool near(Rgb a, Rgb b, int tolerance = 3) { return glm::all(glm::lessThanEqual(glm::abs(a - b), Rgb(tolerance))); }

// Waits for the GPU, then deinit and init of the layer (for tests that swap the picture files).
void rebuild_overlay() {
    vkDeviceWaitIdle(renderer.device);
    deinit();
    init();
}

// The game's renderer with the layer built over test pictures of known colours and shapes, so that
// places and sizes can be read off the screen; the scene is the cleared background.
class Overlay_Environment : public Renderer_Environment {
public:
    void SetUp() override {
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        run_dir = cwd;
        // A fixed folder of the build: the death tests' child processes write the same files there again.
        shell("mkdir -p '" + picture_dir + "/textures/overlays'");
        const char* files[overlay_picture_count] = {
            "loading.png", "logo.png", "u3.png", "arrow_keys.png", "space_arrow_keys.png", "red_tooltip.png",
            "blue_tooltip.png", "black_tooltip.png", "grey_tooltip.png", "white_tooltip.png", "purple_tooltip.png",
            "yellow_tooltip.png"};
        const f32 aspects[overlay_picture_count] = {2, 1.5f, 1, 1.5f, 3, 1, 2, 0.5f, 1.25f, 1, 1, 1};
        for (u32 i = 0; i < overlay_picture_count; i++)
            write_test_picture(picture_dir + "/textures/overlays/" + files[i], aspects[i], picture_fill(i + 1),
                               picture_corner(i + 1));

        // The renderer starts in the run directory (its shaders), the layer reads the test pictures.
        Renderer_Environment::SetUp();
        ASSERT_EQ(chdir(picture_dir.c_str()), 0);
        rebuild_overlay();
        renderer.clear_color = glm::vec3(background) / 255.0f;
        record_command_buffers();
    }
};

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new Overlay_Environment);

struct Rect {
    f32 x, y, w, h;
};

struct Probe {
    int x, y;
    Rgb want;
    std::string what;
};

Rgb mix(Rgb picture, f32 alpha) {
    auto channel = [&](int p, int b) { return (int)(p * alpha + b * (1.0f - alpha) + 0.5f); };
    return {channel(picture.r, background.r), channel(picture.g, background.g), channel(picture.b, background.b)};
}

// Points inside the picture (quadrants, and near each edge) and just outside each edge. The GUI places
// windows on whole pixels (a picture may start up to a pixel early) and clips their content one pixel
// inside the window's border, so the probes stay a pixel or two clear of the exact edges.
std::vector<Probe> picture_probes(Rect r, u32 id, f32 alpha) {
    Rgb fill = mix(picture_fill(id), alpha), corner = mix(picture_corner(id), alpha);
    auto at = [](f32 v) { return (int)v; };
    f32 right = r.x + r.w, bottom = r.y + r.h, qx = r.x + r.w * 0.75f, qy = r.y + r.h * 0.75f;
    return {
        {at(r.x + r.w * 0.25f), at(r.y + r.h * 0.25f), corner, "top-left quadrant"},
        {at(qx), at(r.y + r.h * 0.25f), fill, "top-right quadrant"},
        {at(r.x + r.w * 0.25f), at(qy), fill, "bottom-left quadrant"},
        {at(qx), at(qy), fill, "bottom-right quadrant"},
        {at(r.x + 1), at(qy), fill, "inside left edge"},
        {at(right - 3), at(qy), fill, "inside right edge"},
        {at(qx), at(r.y + 1), fill, "inside top edge"},
        {at(qx), at(bottom - 3), fill, "inside bottom edge"},
        {at(r.x - 2), at(qy), background, "outside left edge"},
        {at(right + 1), at(qy), background, "outside right edge"},
        {at(qx), at(r.y - 2), background, "outside top edge"},
        {at(qx), at(bottom + 1), background, "outside bottom edge"},
    };
}

std::string mismatches(const Screenshot& shot, const std::vector<Probe>& probes) {
    if (shot.width == 0) return "no screenshot";
    std::ostringstream out;
    for (const Probe& p : probes) {
        if (p.x < 0 || p.y < 0 || (u32)p.x >= shot.width || (u32)p.y >= shot.height) {
            out << p.what << " (" << p.x << "," << p.y << ") off the window; ";
            continue;
        }
        Rgb got = shot.at({p.x, p.y});
        if (!near(got, p.want))
            out << p.what << " (" << p.x << "," << p.y << "): got " << got.r << "," << got.g << "," << got.b
                << " want " << p.want.r << "," << p.want.g << "," << p.want.b << "; ";
    }
    return out.str();
}

// Shows `id` at `alpha` and checks the screen against the probes.
std::string show_and_check(Overlay_Image id, f32 alpha, const std::vector<Probe>& probes) {
    overlay_image = id;
    overlay_alpha = alpha;
    Screenshot shot = settled_window([&](const Screenshot& s) { return mismatches(s, probes).empty(); });
    return mismatches(shot, probes);
}

void append(std::vector<Probe>* to, const std::vector<Probe>& more) { to->insert(to->end(), more.begin(), more.end()); }

// Where each test picture must appear in a 1600 x 900 window (the test pictures are 2:1, 3:2, 1:1, 3:2,
// 3:1, 1:1, 2:1, 1:2, 5:4, 1:1, 1:1, 1:1 for ids 1 to 12).
const Rect places_1600x900[13] = {
    {},
    {1447, 801, 108, 54},        // loading: 0.06 H high, H/20 from the corner
    {287, 108, 1026, 684},       // logo: 0.76 H high, centred
    {1450, 750, 75, 75},         // H/12 high and from the corner
    {1300, 675, 225, 150},       // H/6 high, H/12 from the corner
    {1075, 675, 450, 150},
    {1345, 645, 225, 225},       // tooltips: H/4 high, H/30 from the corner
    {1120, 645, 450, 225},
    {1457.5f, 645, 112.5f, 225},
    {1288.75f, 645, 281.25f, 225},
    {1345, 645, 225, 225},
    {1345, 645, 225, 225},
    {1345, 645, 225, 225},
};

// Events until the window-size callback has recorded a change.
void wait_for_resize_event() {
    for (double end = seconds_now() + patience_s; !renderer.window_resized && seconds_now() < end;)
        glfwWaitEventsTimeout(0.1);
    ASSERT_TRUE(renderer.window_resized);
}

}  // namespace

TEST(Overlay_Layer, each_picture_is_drawn_at_its_place_and_size) {
    ASSERT_EQ(renderer.window_width, 1600u);
    ASSERT_EQ(renderer.window_height, 900u);
    for (u32 id = 2; id <= overlay_picture_count; id++)
        EXPECT_EQ(show_and_check((Overlay_Image)id, 1.0f, picture_probes(places_1600x900[id], id, 1.0f)), "")
            << "picture " << id;

    // The loading picture comes with the logo.
    std::vector<Probe> both = picture_probes(places_1600x900[1], 1, 1.0f);
    append(&both, picture_probes(places_1600x900[2], 2, 1.0f));
    EXPECT_EQ(show_and_check(Overlay_Image::Loading, 1.0f, both), "");
}

TEST(Overlay_Layer, opacity_blends_the_picture_and_nothing_shows_at_zero_or_for_no_picture) {
    const u32 id = (u32)Overlay_Image::Blue_Tooltip;
    EXPECT_EQ(show_and_check(Overlay_Image::Blue_Tooltip, 0.5f, picture_probes(places_1600x900[id], id, 0.5f)), "");

    // Alpha 0: the window is there but draws nothing; id 0: no window at all. Either way the scene's
    // image still reaches the screen through the overlay pass.
    std::vector<Probe> empty;
    for (const Probe& p : picture_probes(places_1600x900[id], id, 1.0f)) empty.push_back({p.x, p.y, background, p.what});
    for (const Probe& p : picture_probes(places_1600x900[2], 2, 1.0f)) empty.push_back({p.x, p.y, background, p.what});
    EXPECT_EQ(show_and_check(Overlay_Image::Blue_Tooltip, 0.0f, empty), "");
    EXPECT_EQ(show_and_check(Overlay_Image::None, 1.0f, empty), "");
}

TEST(Overlay_Layer, gui_frame_keeps_its_own_time_step_and_the_display_size_of_the_last_rebuild) {
    overlay_image = Overlay_Image::U;
    render_ui(0.5f);
    const ImGuiIO& io = ImGui::GetIO();
    EXPECT_FLOAT_EQ(io.DeltaTime, 1.0f / 60.0f);
    EXPECT_FLOAT_EQ(io.DisplaySize.x, 1600.0f);
    EXPECT_FLOAT_EQ(io.DisplaySize.y, 900.0f);
    EXPECT_FLOAT_EQ(io.DisplayFramebufferScale.x, 1.0f);
    EXPECT_EQ(io.IniFilename, nullptr);
    EXPECT_STREQ(io.BackendPlatformName, "imgui_impl_glfw");
    EXPECT_STREQ(io.BackendRendererName, "imgui_impl_vulkan");
}

TEST(Overlay_Layer, a_rebuilt_layer_records_its_pass_before_its_first_gui_frame) {
    // A layer rebuilt since the last render_ui has no GUI frame. draw_frame always builds one before it
    // records, so the pass without one is recorded here directly, with the validation layer watching.
    rebuild_overlay();
    ASSERT_EQ(ImGui::GetDrawData(), nullptr);
    for (u32 i = 0; i < overlay.overlay_image_count; i++) record_cmd_buffer(i);
    const u32 id = (u32)Overlay_Image::Grey_Tooltip;
    EXPECT_EQ(show_and_check(Overlay_Image::Grey_Tooltip, 1.0f, picture_probes(places_1600x900[id], id, 1.0f)), "");
}

TEST(Overlay_Layer_Death, an_unknown_picture_id_stops_the_frame) {
    // A fresh process: a forked one would share the parent's connection to the X server.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            dup2(2, 1);
            overlay_image = (Overlay_Image)13;
            render_ui(0.0f);
        },
        testing::KilledBySignal(SIGTRAP), "src/imgui_inter.*render_ui.*Unknown overlay image \\(ID: 13\\)!");
}

TEST(Overlay_Layer, a_resize_rebuilds_the_layer_for_the_new_size_and_reads_the_pictures_again) {
    // A new red tooltip on disk: only a rebuild reads it.
    const u32 id = (u32)Overlay_Image::Red_Tooltip;
    std::string file = picture_dir + "/textures/overlays/red_tooltip.png";
    Rgb new_fill = {250, 250, 10}, new_corner = {10, 250, 250};
    write_test_picture(file, 1.0f, new_fill, new_corner);

    u32 rebuilds = swapchain_recreations;
    glfwSetWindowSize(renderer.window, 1200, 700);
    wait_for_resize_event();
    draw_one_frame();
    EXPECT_EQ(swapchain_recreations, rebuilds + 1);
    ASSERT_EQ(renderer.window_width, 1200u);
    ASSERT_EQ(renderer.window_height, 700u);
    EXPECT_EQ(overlay.overlay_image_count, renderer.image_count);
    EXPECT_FLOAT_EQ(ImGui::GetIO().DisplaySize.x, 1200.0f);
    EXPECT_FLOAT_EQ(ImGui::GetIO().DisplaySize.y, 700.0f);

    // H = 700: h = 175, m = 700 / 30.
    f32 m = 700.0f / 30.0f;
    Rect place = {1200 - 175 - m, 700 - 175 - m, 175, 175};
    std::vector<Probe> probes = picture_probes(place, id, 1.0f);
    for (Probe& p : probes) {
        if (near(p.want, picture_fill(id), 0)) p.want = new_fill;
        if (near(p.want, picture_corner(id), 0)) p.want = new_corner;
    }
    EXPECT_EQ(show_and_check(Overlay_Image::Red_Tooltip, 1.0f, probes), "");

    // Back to the start size and picture.
    write_test_picture(file, 1.0f, picture_fill(id), picture_corner(id));
    glfwSetWindowSize(renderer.window, 1600, 900);
    wait_for_resize_event();
    EXPECT_EQ(show_and_check(Overlay_Image::Red_Tooltip, 1.0f, picture_probes(places_1600x900[id], id, 1.0f)), "");
    EXPECT_EQ(renderer.window_width, 1600u);
}

TEST(Overlay_Layer, the_game_pictures_load_and_show_in_their_proportions) {
    ASSERT_EQ(chdir(run_dir.c_str()), 0);
    rebuild_overlay();
    // The game's red help picture is twice as wide as high: 450 x 225 at (1120, 645).
    Rect place = {1120, 645, 450, 225};
    auto drawn_share = [&](const Screenshot& s) {
        int drawn = 0, total = 0;
        for (int y = (int)place.y + 2; y < (int)(place.y + place.h) - 2; y += 3)
            for (int x = (int)place.x + 2; x < (int)(place.x + place.w) - 2; x += 3, total++)
                if (!near(s.at({x, y}), background)) drawn++;
        return (double)drawn / total;
    };
    auto outside_clear = [&](const Screenshot& s) {
        for (int y = (int)place.y - 20; y < 900; y += 2)
            for (int x = (int)place.x - 40; x < 1600; x += 2) {
                bool inside = x >= place.x - 1 && x <= place.x + place.w && y >= place.y - 1 && y <= place.y + place.h;
                if (!inside && !near(s.at({x, y}), background)) return false;
            }
        return true;
    };
    overlay_image = Overlay_Image::Red_Tooltip;
    overlay_alpha = 1.0f;
    Screenshot shot = settled_window([&](const Screenshot& s) {
        return s.width == 1600 && drawn_share(s) > 0.3 && outside_clear(s);
    });
    ASSERT_EQ(shot.width, 1600u);
    EXPECT_GT(drawn_share(shot), 0.3);
    EXPECT_TRUE(outside_clear(shot));

    ASSERT_EQ(chdir(picture_dir.c_str()), 0);
    rebuild_overlay();
}

namespace {

u32 game_keys_pressed = 0, game_buttons_pressed = 0;
void game_key_callback(GLFWwindow*, int, int, int action, int) {
    if (action == GLFW_PRESS) game_keys_pressed++;
}
void game_mouse_button_callback(GLFWwindow*, int, int action, int) {
    if (action == GLFW_PRESS) game_buttons_pressed++;
}

}  // namespace

TEST(Overlay_Layer, input_reaches_the_game_and_the_gui_and_shutdown_gives_the_game_its_callbacks_back) {
    // The game installs its callbacks before the layer is built.
    GLFWwindow* window = renderer.window;
    vkDeviceWaitIdle(renderer.device);
    deinit();
    glfwSetKeyCallback(window, game_key_callback);
    glfwSetMouseButtonCallback(window, game_mouse_button_callback);
    init();

    std::string id = std::to_string((unsigned long)glfwGetX11Window(window));
    shell("xdotool windowfocus --sync " + id + " mousemove --window " + id + " 200 200");
    shell("xdotool keydown a");
    EXPECT_TRUE(draw_until([] { return game_keys_pressed > 0; }));
    EXPECT_TRUE(ImGui::GetIO().KeysDown[GLFW_KEY_A]);
    shell("xdotool keyup a");
    EXPECT_TRUE(draw_until([&] { return glfwGetKey(window, GLFW_KEY_A) == GLFW_RELEASE; }));

    shell("xdotool mousedown 1");
    EXPECT_TRUE(draw_until([] { return game_buttons_pressed > 0; }));
    render_ui(0.0f);
    EXPECT_TRUE(ImGui::GetIO().MouseDown[0]);
    shell("xdotool mouseup 1");
    EXPECT_TRUE(draw_until([&] { return glfwGetMouseButton(window, GLFW_MOUSE_BUTTON_LEFT) == GLFW_RELEASE; }));

    vkDeviceWaitIdle(renderer.device);
    deinit();
    EXPECT_EQ(glfwSetKeyCallback(window, nullptr), game_key_callback);
    EXPECT_EQ(glfwSetMouseButtonCallback(window, nullptr), game_mouse_button_callback);
    init();
}

TEST(Overlay_Link, none_of_the_stock_gui_back_ends_is_linked) {
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    auto defined_names = [](const std::string& listing, const std::string& only_member) {
        std::set<std::string> names;
        std::istringstream lines(listing);
        std::string line, member;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == ':') {
                member = line.substr(0, line.size() - 1);
                continue;
            }
            if (!only_member.empty() && member != only_member) continue;
            // "address type name" for defined symbols.
            if (line.size() < 20 || line[16] != ' ' || line[18] != ' ') continue;
            if (line[17] == 'U' || line[17] == 'w') continue;
            names.insert(line.substr(19));
        }
        return names;
    };
    std::string binary = shell(std::string("nm -C '") + self + "'");
    std::set<std::string> linked = defined_names(binary, "");
    ASSERT_GT(linked.size(), 100u);
    std::string stock_listing = shell("nm -C --defined-only -g /usr/lib/x86_64-linux-gnu/libimgui.a 2>/dev/null");
    std::string own_listing = shell("nm -C --defined-only '" MORVU_GAME_LIBRARY "' 2>/dev/null");

    // Our back-ends are in, under the library's names...
    EXPECT_TRUE(linked.count("ImGui_ImplVulkan_RegisterTexture(VkSampler_T*, VkImageView_T*, VkImageLayout)"));
    EXPECT_TRUE(linked.count("ImGui_ImplGlfw_UpdateDisplaySize()"));
    // ...and nothing that only the stock objects define: had one been pulled in, all of it would be.
    for (const char* member : {"imgui_impl_vulkan.o", "imgui_impl_glfw.o"}) {
        std::set<std::string> stock = defined_names(stock_listing, member);
        std::set<std::string> own = defined_names(own_listing, "");
        ASSERT_FALSE(stock.empty()) << member;
        u32 stock_only = 0;
        for (const std::string& name : stock) {
            if (own.count(name) || name.find("ImGui") == std::string::npos) continue;
            stock_only++;
            EXPECT_FALSE(linked.count(name)) << name << " from the stock " << member << " is linked";
        }
        EXPECT_GT(stock_only, 0u) << member;
    }
    // Every Vulkan call goes through the program's table: the binary references no Vulkan command.
    std::string undefined = shell(std::string("nm -u '") + self + "' | grep -E ' vk[A-Z]' || true");
    EXPECT_EQ(undefined, "");
}
