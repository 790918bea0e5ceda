// The generator: every file is in the run directory, and a second run writes the same bytes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

#include "asset_table.h"

namespace {

std::string contents(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(AssetGenerator, EveryAssetIsInTheRunDirectory) {
  for (const std::string& path : all_asset_paths()) {
    EXPECT_TRUE(std::filesystem::is_regular_file(path)) << path;
    EXPECT_GT(std::filesystem::exists(path) ? std::filesystem::file_size(path) : 0u, 0u) << path;
  }
}

TEST(AssetGenerator, SecondRunWritesTheSameBytes) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / ("morvu-assets-" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::string command = std::string("\"") + MORVU_ASSETGEN + "\" \"" + dir.string() + "\" \"" + MORVU_FONT_DIR + "\"";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  for (const std::string& path : all_asset_paths()) {
    SCOPED_TRACE(path);
    std::string again = contents(dir / path);
    EXPECT_FALSE(again.empty());
    EXPECT_TRUE(again == contents(path)) << "differs from the build's copy";
  }
  std::filesystem::remove_all(dir);
}
