#!/usr/bin/env python3
"""Renders a minute of sixteen-channel General MIDI music with loomtone and
with the fluidsynth program on the same SoundFont, in the same run, and
prints both times (median of the runs) and their ratio.

The song is the one gm_bench.cpp plays through the instrument: drums on
channel 10, a bass line, chords, arpeggios and pads, about 9,500 notes.

    bench/gm_render_compare.py LOOMTONE [--runs 3] [--soundfont PATH]
"""

import argparse
import os
import statistics
import struct
import subprocess
import sys
import tempfile
import time

SONG_MS = 60000.0
STEP_MS = 125.0  # a sixteenth note at 120 bpm
TICKS_PER_QUARTER = 480
TICKS_PER_MS = TICKS_PER_QUARTER / 500.0
PROGRAM_CHANGE = "program"
PITCH_BEND = "bend"


def make_song():
    """(notes, controllers): notes are (channel, pitch, velocity, start, end)
    in ms, controllers (kind, channel, value, time)."""
    notes, controllers = [], []
    programs = [0, 4, 24, 32, 48, 52, 56, 61, 65, 0, 73, 80, 88, 11, 19, 46]
    chord_roots = [48, 53, 55, 50]
    for channel in range(16):
        controllers.append((PROGRAM_CHANGE, channel, programs[channel], 0.0))
        controllers.append((7, channel, 80, 0.0))
        controllers.append((10, channel, (channel * 37) % 128, 0.0))
    arp = [0, 4, 7, 12]
    for step in range(int(SONG_MS / STEP_MS)):
        t = step * STEP_MS
        bar = step // 16
        root = chord_roots[bar % 4]
        if step % 4 == 0:
            notes.append((9, 36, 110, t, t + 100))
        if step % 8 == 4:
            notes.append((9, 38, 100, t, t + 100))
        notes.append((9, 42, 70, t, t + 60))
        if step % 4 == 0:
            notes.append((3, root - 12, 100, t, t + 450))
        if step % 16 == 0:
            for channel in (0, 4, 5, 15):
                for interval in (0, 4, 7):
                    notes.append((channel, root + interval + 12, 70, t, t + 1950))
            notes.append((12, root + 24, 60, t, t + 1990))
        notes.append((1, root + 12 + arp[step % 4], 80, t, t + 120))
        if step % 2 == 0:
            notes.append((2, root + 24 + arp[(step // 2) % 4], 75, t, t + 240))
        if step % 8 == 0:
            for channel in (6, 7, 8, 10, 11, 13, 14):
                notes.append((channel, root + 24 + arp[(step // 8 + channel) % 4], 80, t, t + 480))
        if step % 16 == 8:
            for channel in (0, 1, 2, 4, 6, 8, 10, 11, 13, 14):
                controllers.append((PITCH_BEND, channel, 8192, t))
            controllers.append((11, 12, 100 + (bar % 3) * 10, t))
    return notes, controllers


def variable_length(value):
    groups = [value & 0x7F]
    value >>= 7
    while value:
        groups.append((value & 0x7F) | 0x80)
        value >>= 7
    return bytes(reversed(groups))


def midi_file(notes, controllers):
    """A format-0 standard MIDI file at 120 bpm."""
    def tick(ms):
        return int(ms * TICKS_PER_MS + 0.5)

    events = []  # (tick, order, bytes): note-offs, then controllers, then note-ons
    for channel, pitch, velocity, start, end in notes:
        events.append((tick(start), 2, bytes([0x90 | channel, pitch, velocity])))
        events.append((tick(end), 0, bytes([0x80 | channel, pitch, 0])))
    for kind, channel, value, at in controllers:
        if kind == PROGRAM_CHANGE:
            data = bytes([0xC0 | channel, value])
        elif kind == PITCH_BEND:
            data = bytes([0xE0 | channel, value & 0x7F, value >> 7])
        else:
            data = bytes([0xB0 | channel, kind, value])
        events.append((tick(at), 1, data))
    events.sort(key=lambda e: (e[0], e[1]))  # stable: same order as the C++ maker
    track = bytearray(b"\x00\xff\x51\x03\x07\xa1\x20")
    previous = 0
    for at, _, data in events:
        track += variable_length(at - previous) + data
        previous = at
    track += b"\x00\xff\x2f\x00"
    return (b"MThd" + struct.pack(">IHHH", 6, 0, 1, TICKS_PER_QUARTER) + b"MTrk" +
            struct.pack(">I", len(track)) + bytes(track))


def timed(command, env=None):
    begin = time.monotonic()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   env=env)
    return time.monotonic() - begin


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("loomtone")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--soundfont", default="/usr/share/sounds/sf2/FluidR3_GM.sf2")
    args = parser.parse_args()
    folder = tempfile.mkdtemp(prefix="loomtone-gm-compare-")
    song = os.path.join(folder, "song.mid")
    with open(song, "wb") as out:
        out.write(midi_file(*make_song()))
    env = dict(os.environ, LOOMTONE_SOUNDFONT=args.soundfont)
    ours, theirs = [], []
    for _ in range(args.runs):
        ours.append(timed([args.loomtone, "--render", song, os.path.join(folder, "ours.wav")],
                          env))
        theirs.append(timed(["fluidsynth", "-ni", "-F", os.path.join(folder, "theirs.wav"),
                             "-r", "44100", args.soundfont, song]))
    mine, fluid = statistics.median(ours), statistics.median(theirs)
    print(f"loomtone --render: {mine:.2f} s (runs: {', '.join(f'{t:.2f}' for t in ours)})")
    print(f"fluidsynth -F:     {fluid:.2f} s (runs: {', '.join(f'{t:.2f}' for t in theirs)})")
    print(f"ratio: {mine / fluid:.2f}")
    print(f"files in {folder}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
