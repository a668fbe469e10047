#include "Sound.h"

// clang-format off
#include <windows.h>
#include <mmsystem.h>  // needs windows.h first
// clang-format on

#include <utility>

#include "Utf8Path.h"

Sound::~Sound() = default;

PulseSound::PulseSound(std::function<void()> fallback) : fallback(std::move(fallback)) {}

// The platform plays the file to its end, and its own default sound when the file cannot be
// played, so the fallback is not needed here.
void PulseSound::Play(const std::string& wavPath) {
  PlaySoundW(Wide(wavPath).c_str(), nullptr, SND_FILENAME);
}
