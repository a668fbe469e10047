#pragma once

#include <string>

// The test sound "1.wav": next to the executable when it is there (the built tree, a portable
// copy), else in the installed data folder, since an installed program's folder holds no data.
// When neither has it, the path next to the executable, so that the player's own fallback
// (the platform's default sound) takes over as before.
std::string TestSoundFile(const std::string& executableFolder, const std::string& dataFolder);
