#!/usr/bin/env python3
"""Writes the program's two sounds as plain PCM WAV files.

    make-sounds.py OUT_DIR

Ping.wav is a short soft blip (the Net Pinger plays it after a ping);
low-memory.wav a short two-tone alert (the memory alarm's sound). Both are
22,050 Hz, 16-bit, mono: the uncompressed format every Windows plays, from
Windows 95 on. The output is the same on every run.
"""
import math
import os
import struct
import sys

RATE = 22050


def tone(freq_start, freq_end, seconds, attack, release, volume):
    """A sine gliding from one pitch to another, faded in and out."""
    count = int(RATE * seconds)
    phase = 0.0
    out = []
    for i in range(count):
        t = i / RATE
        freq = freq_start + (freq_end - freq_start) * i / count
        phase += 2 * math.pi * freq / RATE
        envelope = min(1.0, t / attack) * min(1.0, (seconds - t) / release)
        out.append(volume * envelope * math.sin(phase))
    return out


def silence(seconds):
    return [0.0] * int(RATE * seconds)


def ping():
    # A quick rise, then a soft exponential fall: a drop of water, not a beep.
    count = int(RATE * 0.16)
    out = []
    phase = 0.0
    for i in range(count):
        t = i / RATE
        phase += 2 * math.pi * (1400 - 500 * t / 0.16) / RATE
        out.append(0.45 * min(1.0, t / 0.004) * math.exp(-t / 0.04) * math.sin(phase))
    return out


def low_memory():
    high = tone(880, 880, 0.17, 0.01, 0.03, 0.55)
    low = tone(622, 622, 0.17, 0.01, 0.03, 0.55)
    return high + silence(0.04) + low + silence(0.08) + high + silence(0.04) + low


def write_wav(path, samples):
    data = b"".join(struct.pack("<h", max(-32767, min(32767, round(s * 32767)))) for s in samples)
    header = struct.pack("<4sI4s4sIHHIIHH4sI", b"RIFF", 36 + len(data), b"WAVE", b"fmt ", 16,
                         1, 1, RATE, RATE * 2, 2, 16, b"data", len(data))
    with open(path, "wb") as f:
        f.write(header + data)


def main(argv):
    if len(argv) != 1:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    os.makedirs(argv[0], exist_ok=True)
    write_wav(os.path.join(argv[0], "Ping.wav"), ping())
    write_wav(os.path.join(argv[0], "low-memory.wav"), low_memory())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
