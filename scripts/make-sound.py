#!/usr/bin/env python3
"""Writes app/1.wav, the read test's start/stop sound: two soft sine tones (E6 then A6, a rising
fourth), each with a raised-cosine fade in and out, 0.25 s in all, 44.1 kHz, 16-bit, mono.

The output depends on nothing but this script, so running it again gives the same bytes.
Usage: python3 scripts/make-sound.py [output path]
"""

import math
import struct
import sys
import wave
from pathlib import Path

RATE = 44100
PEAK = 0.35  # of full scale: soft, well clear of clipping
# (frequency in Hz, length in seconds); a short silence separates the two tones
TONES = [(1318.51, 0.11), (0.0, 0.02), (1760.00, 0.12)]
FADE = 0.012  # seconds of fade in and fade out per tone


def tone(frequency, seconds):
    count = round(seconds * RATE)
    fade = min(round(FADE * RATE), count // 2)
    samples = []
    for n in range(count):
        level = 1.0
        if fade and n < fade:
            level = 0.5 - 0.5 * math.cos(math.pi * n / fade)
        elif fade and n >= count - fade:
            level = 0.5 - 0.5 * math.cos(math.pi * (count - 1 - n) / fade)
        # a touch of the second harmonic makes the beep rounder than a bare sine
        value = math.sin(2 * math.pi * frequency * n / RATE)
        value += 0.15 * math.sin(4 * math.pi * frequency * n / RATE)
        samples.append(PEAK / 1.15 * level * value if frequency else 0.0)
    return samples


def main():
    default = Path(__file__).resolve().parent.parent / "app" / "1.wav"
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else default
    samples = [s for frequency, seconds in TONES for s in tone(frequency, seconds)]
    frames = b"".join(struct.pack("<h", round(s * 32767)) for s in samples)
    with wave.open(str(out), "wb") as wav:
        wav.setnchannels(1)
        wav.setsampwidth(2)
        wav.setframerate(RATE)
        wav.writeframes(frames)
    print(f"{out}: {len(samples)} frames, {len(samples) / RATE:.3f} s")


if __name__ == "__main__":
    main()
