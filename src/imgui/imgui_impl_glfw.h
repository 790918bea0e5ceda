// imgui_impl_glfw: the GUI library's GLFW platform back-end, adapted for the overlay: the display size
// is set only when the window changes (ImGui_ImplGlfw_UpdateDisplaySize), a frame start takes the
// game's time step and leaves the GUI's own delta time alone, and no gamepad is read.
// Derived from Dear ImGui's GLFW back-end (MIT licence, Omar Cornut and contributors).
#pragma once

#include <imgui.h>

struct GLFWwindow;

// With install_callbacks the back-end installs its mouse-button, scroll, key and character callbacks;
// each calls the callback installed before it first, and shutdown puts those back.
IMGUI_IMPL_API bool ImGui_ImplGlfw_InitForVulkan(GLFWwindow* window, bool install_callbacks);
IMGUI_IMPL_API void ImGui_ImplGlfw_Shutdown();
// dt is accepted for the frame loop's convenience and not used.
IMGUI_IMPL_API void ImGui_ImplGlfw_NewFrame(float dt);
// Display size from the window's size, framebuffer scale from its framebuffer (when the window has area).
IMGUI_IMPL_API void ImGui_ImplGlfw_UpdateDisplaySize();

IMGUI_IMPL_API void ImGui_ImplGlfw_MouseButtonCallback(GLFWwindow* window, int button, int action, int mods);
IMGUI_IMPL_API void ImGui_ImplGlfw_ScrollCallback(GLFWwindow* window, double xoffset, double yoffset);
IMGUI_IMPL_API void ImGui_ImplGlfw_KeyCallback(GLFWwindow* window, int key, int scancode, int action, int mods);
IMGUI_IMPL_API void ImGui_ImplGlfw_CharCallback(GLFWwindow* window, unsigned int c);
