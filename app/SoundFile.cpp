#include "SoundFile.h"

#include <filesystem>
#include <system_error>

#include "Utf8Path.h"

std::string TestSoundFile(const std::string& executableFolder, const std::string& dataFolder) {
  namespace fs = std::filesystem;
  const fs::path beside = Utf8Path(executableFolder) / "1.wav";
  const fs::path installed = Utf8Path(dataFolder) / "1.wav";
  std::error_code ec;
  if (!fs::is_regular_file(beside, ec) && fs::is_regular_file(installed, ec))
    return Utf8Text(installed);
  return Utf8Text(beside);
}
