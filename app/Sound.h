#pragma once

#include <functional>
#include <string>

// The start/stop sound of the read test, behind an interface so that tests can record
// what would be played.
class Sound {
 public:
  virtual ~Sound();
  // Plays the WAV file to its end before returning.
  virtual void Play(const std::string& wavPath) = 0;
};

// Reads the file with libsndfile and plays it through the desktop's sound server (PulseAudio, or
// PipeWire's PulseAudio service) with libpulse-simple, waiting until it has been heard, as
// PlaySoundA with SND_FILENAME alone does. When the file is missing or unreadable, or there is no
// sound server, it calls `fallback` instead (the window passes QApplication::beep, standing for
// the platform's default sound) and returns at once. On Windows it is PlaySoundA with
// SND_FILENAME itself.
class PulseSound : public Sound {
 public:
  explicit PulseSound(std::function<void()> fallback);
  void Play(const std::string& wavPath) override;

 private:
  std::function<void()> fallback;
};
