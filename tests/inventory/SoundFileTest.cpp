#include "SoundFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

TEST(SoundFileTest, BesideTheExecutableThenTheDataFolderElseBeside) {
  const fs::path root = fs::temp_directory_path() / ("tagwick-sound-" + std::to_string(getpid()));
  fs::create_directories(root / "bin");
  fs::create_directories(root / "share" / "1.wav");  // a folder of that name is no sound
  const std::string bin = (root / "bin").string(), share = (root / "share").string();

  EXPECT_EQ(fs::path(TestSoundFile(bin, share)), root / "bin" / "1.wav");
  fs::remove(root / "share" / "1.wav");
  std::ofstream(root / "share" / "1.wav") << "RIFF";
  EXPECT_EQ(fs::path(TestSoundFile(bin, share)), root / "share" / "1.wav");
  std::ofstream(root / "bin" / "1.wav") << "RIFF";
  EXPECT_EQ(fs::path(TestSoundFile(bin, share)), root / "bin" / "1.wav");
  fs::remove_all(root);
}

}  // namespace
