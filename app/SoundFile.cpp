#include "SoundFile.h"

#include <filesystem>
#include <system_error>

std::string TestSoundFile(const std::string& executableFolder, const std::string& dataFolder) {
  namespace fs = std::filesystem;
  const fs::path beside = fs::path(executableFolder) / "1.wav";
  const fs::path installed = fs::path(dataFolder) / "1.wav";
  std::error_code ec;
  if (!fs::is_regular_file(beside, ec) && fs::is_regular_file(installed, ec))
    return installed.string();
  return beside.string();
}
