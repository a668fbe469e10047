#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "Sound.h"

namespace {

namespace fs = std::filesystem;

// Points libpulse at a server that is not there, so the tests behave the same on a desktop with a
// running sound server and on CI (a named server also rules out autospawn).
class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* server = std::getenv("PULSE_SERVER")) saved = server;
    hadServer = std::getenv("PULSE_SERVER") != nullptr;
    setenv("PULSE_SERVER", "unix:/nonexistent/tagwick-test/native", 1);
  }
  void TearDown() override {
    if (hadServer) {
      setenv("PULSE_SERVER", saved.c_str(), 1);
    } else {
      unsetenv("PULSE_SERVER");
    }
  }

  // Plays `path` and answers how often the fallback ran; the call must return at once.
  int PlayCountingFallbacks(const std::string& path) {
    int fallbacks = 0;
    PulseSound sound([&fallbacks] { ++fallbacks; });
    const auto start = std::chrono::steady_clock::now();
    sound.Play(path);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    return fallbacks;
  }

  std::string saved;
  bool hadServer = false;
};

TEST_F(SoundTest, MissingFileFallsBack) {
  EXPECT_EQ(PlayCountingFallbacks("/nonexistent/1.wav"), 1);
}

TEST_F(SoundTest, UnreadableFileFallsBack) {
  const fs::path path = fs::temp_directory_path() / "tagwick-sound-test-not-a.wav";
  {
    std::ofstream out(path, std::ios::binary);
    out << "RIFF but not really a wave file";
  }
  EXPECT_EQ(PlayCountingFallbacks(path.string()), 1);
  fs::remove(path);
}

TEST_F(SoundTest, NoSoundServerFallsBack) {
  ASSERT_TRUE(fs::exists(TAGWICK_SOUND_FILE));
  EXPECT_EQ(PlayCountingFallbacks(TAGWICK_SOUND_FILE), 1);
}

TEST_F(SoundTest, AnEmptyFallbackIsAllowed) {
  PulseSound sound(nullptr);
  sound.Play("/nonexistent/1.wav");
}

}  // namespace
