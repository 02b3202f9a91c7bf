#!/usr/bin/python3
"""Writes MIDI files with mido, an independent writer, and checks that
`loomtone --info` lists every note with the start, end, pitch, velocity and
channel mido meant, within one millisecond of heard time.

Usage: mido_info_check.py LOOMTONE FOLDER
Exit status 0 when every file matches, 1 with the differences otherwise."""

import json
import random
import subprocess
import sys

import mido

TOLERANCE_MS = 1.0


def song(ticks_per_beat, midi_format, seed):
    """A file with tempo changes and a few tracks of random notes."""
    rng = random.Random(seed)
    midi = mido.MidiFile(type=midi_format, ticks_per_beat=ticks_per_beat)
    events = [(0, mido.MetaMessage('set_tempo', tempo=500000)),
              (ticks_per_beat * 3 + 7, mido.MetaMessage('set_tempo', tempo=400000)),
              (ticks_per_beat * 9, mido.MetaMessage('set_tempo', tempo=750000))]
    for channel in (0, 3, 9):
        time = rng.randrange(ticks_per_beat)
        for _ in range(12):
            pitch = rng.randrange(30, 90)
            length = rng.randrange(1, ticks_per_beat * 2)
            velocity = rng.randrange(1, 128)
            events.append((time, mido.Message('note_on', channel=channel, note=pitch,
                                              velocity=velocity)))
            events.append((time + length, mido.Message('note_off', channel=channel,
                                                       note=pitch)))
            time += length + rng.randrange(ticks_per_beat)
    if midi_format == 0:
        midi.tracks.append(track_of(events))
    else:
        midi.tracks.append(track_of([e for e in events if e[1].is_meta]))
        for channel in (0, 3, 9):
            midi.tracks.append(track_of([e for e in events
                                         if not e[1].is_meta and e[1].channel == channel]))
    return midi


def track_of(events):
    track = mido.MidiTrack()
    now = 0
    for time, message in sorted(events, key=lambda e: (e[0], e[1].type != 'note_off')):
        track.append(message.copy(time=time - now))
        now = time
    return track


def expected_notes(midi):
    """(channel, pitch, velocity, start ms, end ms) in heard time, by mido."""
    notes, sounding, seconds = [], {}, 0.0
    for message in midi:  # mido turns ticks into seconds through the tempo map
        seconds += message.time
        if message.type == 'note_on' and message.velocity > 0:
            sounding[(message.channel, message.note)] = (seconds, message.velocity)
        elif message.type in ('note_on', 'note_off'):
            start, velocity = sounding.pop((message.channel, message.note))
            notes.append((message.channel, message.note, velocity, start * 1000, seconds * 1000))
    return sorted(notes)


def heard_ms(reference_ms, tempi):
    """Reference time (a beat is 500 ms) through the project's tempo changes."""
    heard, last_time, last_tempo = 0.0, 0.0, 120.0
    for time, tempo in tempi:
        if time >= reference_ms:
            break
        heard += (time - last_time) * 120.0 / last_tempo
        last_time, last_tempo = time, tempo
    return heard + (reference_ms - last_time) * 120.0 / last_tempo


def listed_notes(info):
    tempi = sorted((m['time'], m['tempo']) for m in info['markers'] if m['tempoChange'])
    notes = []
    for track in info['tracks']:
        for clip in track['clips']:
            for note in clip['notes']:
                start = clip['position'] + note['start']
                notes.append((note['channel'], note['pitch'], note['velocity'],
                              heard_ms(start, tempi),
                              heard_ms(clip['position'] + note['end'], tempi)))
    return sorted(notes)


def compare(name, expected, listed):
    problems = []
    if len(expected) != len(listed):
        problems.append(f'{name}: {len(listed)} notes listed, {len(expected)} written')
    for want, got in zip(expected, listed):
        if want[:3] != got[:3] or abs(want[3] - got[3]) > TOLERANCE_MS or \
                abs(want[4] - got[4]) > TOLERANCE_MS:
            problems.append(f'{name}: wrote {want}, listed {got}')
    return problems


def main():
    program, folder = sys.argv[1], sys.argv[2]
    problems = []
    for ticks_per_beat in (96, 480, 960):
        for midi_format in (0, 1):
            name = f'{folder}/song-{ticks_per_beat}-{midi_format}.mid'
            midi = song(ticks_per_beat, midi_format, ticks_per_beat + midi_format)
            midi.save(name)
            result = subprocess.run([program, '--info', name], capture_output=True, text=True)
            if result.returncode != 0:
                problems.append(f'{name}: --info failed: {result.stderr.strip()}')
                continue
            problems += compare(name, expected_notes(mido.MidiFile(name)),
                                listed_notes(json.loads(result.stdout)))
    for problem in problems[:20]:
        print(problem)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
