#include "Sound.h"

#include <pulse/simple.h>
#include <sndfile.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace {

struct SndfileCloser {
  void operator()(SNDFILE* file) const { sf_close(file); }
};
struct PulseCloser {
  void operator()(pa_simple* stream) const { pa_simple_free(stream); }
};

constexpr sf_count_t kChunkFrames = 4096;

}  // namespace

Sound::~Sound() = default;

PulseSound::PulseSound(std::function<void()> fallback) : fallback(std::move(fallback)) {}

void PulseSound::Play(const std::string& wavPath) {
  const auto fail = [this] {
    if (fallback) fallback();
  };

  SF_INFO info{};
  std::unique_ptr<SNDFILE, SndfileCloser> file(sf_open(wavPath.c_str(), SFM_READ, &info));
  if (!file || info.frames <= 0 || info.channels <= 0 ||
      static_cast<unsigned>(info.channels) > PA_CHANNELS_MAX || info.samplerate <= 0 ||
      static_cast<uint32_t>(info.samplerate) > PA_RATE_MAX) {
    fail();
    return;
  }

  // libsndfile converts any sample format it reads to 16-bit native-endian frames.
  pa_sample_spec format{};
  format.format = PA_SAMPLE_S16NE;
  format.rate = static_cast<uint32_t>(info.samplerate);
  format.channels = static_cast<uint8_t>(info.channels);

  // With no server pa_simple_new fails at once: connecting to a missing socket is refused. It
  // would start a PulseAudio daemon first only where libpulse's autospawn is on (never as root,
  // and off in Debian's client.conf, where systemd starts the server); there it costs about 2 s
  // once and then the sound plays. The environment is left alone: the user's client.conf rules.
  int error = 0;
  std::unique_ptr<pa_simple, PulseCloser> stream(
      pa_simple_new(nullptr, "Tagwick", PA_STREAM_PLAYBACK, nullptr, "Test sound", &format, nullptr,
                    nullptr, &error));
  if (!stream) {
    fail();
    return;
  }

  std::vector<short> buffer(static_cast<std::size_t>(kChunkFrames) *
                            static_cast<std::size_t>(info.channels));
  for (;;) {
    const sf_count_t frames = sf_readf_short(file.get(), buffer.data(), kChunkFrames);
    if (frames <= 0) break;
    const std::size_t bytes =
        static_cast<std::size_t>(frames) * static_cast<std::size_t>(info.channels) * sizeof(short);
    // A server that goes away mid-sound ends the sound; there is nothing to tell the operator.
    if (pa_simple_write(stream.get(), buffer.data(), bytes, &error) < 0) return;
  }
  pa_simple_drain(stream.get(), &error);
}
