// Asset generator: writes every mesh, texture, overlay picture and sound the game reads.
// Usage: assetgen <run directory> <font directory>. Output is the same, byte for byte, on every run.
#include <cstdio>
#include <filesystem>
#include <future>
#include <string>
#include <system_error>

#include "assets.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: assetgen <run directory> <font directory>\n");
    return 2;
  }
  std::string run_dir = argv[1];
  std::string font_dir = argv[2];
  for (const char* sub : {"meshes", "textures/finish_textures", "textures/overlays", "audio/effects/gems",
                          "audio/effects/activation"}) {
    std::error_code error;
    std::filesystem::create_directories(run_dir + "/" + sub, error);
    if (error) {
      std::fprintf(stderr, "assetgen: could not create %s/%s: %s\n", run_dir.c_str(), sub, error.message().c_str());
      return 1;
    }
  }
  // The four kinds write disjoint files, so they run side by side.
  std::future<bool> jobs[] = {
      std::async(std::launch::async, [&] { return write_meshes(run_dir); }),
      std::async(std::launch::async, [&] { return write_textures(run_dir); }),
      std::async(std::launch::async, [&] { return write_overlays(run_dir, font_dir); }),
      std::async(std::launch::async, [&] { return write_audio(run_dir); }),
  };
  bool ok = true;
  for (std::future<bool>& job : jobs) ok = job.get() && ok;
  return ok ? 0 : 1;
}
