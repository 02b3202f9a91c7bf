#!/usr/bin/env python3
"""Makes damaged copies of a project and damaged sounds, for the loading tests.

usage: make_damaged_corpus.py PROJECT.lt4 OUTDIR

PROJECT.lt4 is an intact project whose tracks hold clips (audio clips and
MIDI clips). Each damaged copy goes into OUTDIR with the sounds it names, and
OUTDIR/manifest.txt gets one line per copy:

    FILE INTACT PLACEHOLDERS PARTIAL

INTACT is how many clips must load as they were, PLACEHOLDERS how many must be
kept as placeholders (their sound cannot be loaded or their record is
damaged), PARTIAL 1 when the load must be reported as a partial one.
"""

import os
import struct
import sys

HEADER = struct.Struct("<4sI")


def read_chunks(data):
    """The chunks directly inside the RIFF form, as [code, body] lists."""
    if data[:4] != b"RIFF":
        raise SystemExit("not a RIFF file")
    chunks, at = [], 12
    while at + 8 <= len(data):
        code, size = HEADER.unpack_from(data, at)
        chunks.append([code, bytearray(data[at + 8:at + 8 + size])])
        at += 8 + size + (size & 1)
    return data[8:12], chunks


def write_chunks(form, chunks):
    body = bytearray(form)
    for code, data in chunks:
        body += HEADER.pack(code, len(data)) + data
        if len(data) & 1:
            body.append(0)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def is_clip_start(code, body):
    return code == b"ClpA" or (code == b"LIST" and body[:4] == b"ClpM")


def clip_starts(chunks):
    return [i for i, (code, body) in enumerate(chunks) if is_clip_start(code, body)]


def audio_clips(chunks):
    return [i for i in clip_starts(chunks) if chunks[i][0] == b"ClpA"]


def midi_clips(chunks):
    return [i for i in clip_starts(chunks) if chunks[i][0] == b"LIST"]


def text_field(value, size):
    raw = value.encode()[: size - 1]
    return raw + bytes(size - len(raw))


def point_at(chunks, index, absolute, relative):
    """The audio clip record at chunks[index] names another sound."""
    body = chunks[index][1]
    body[8:268] = text_field(absolute, 260)
    body[268:528] = text_field(relative, 260)


def tone_wav(frames):
    """A 16-bit mono WAV at 44.1 kHz of a plain square wave."""
    samples = b"".join(struct.pack("<h", 8000 if (i // 50) % 2 else -8000) for i in range(frames))
    fmt = struct.pack("<HHIIHH", 1, 1, 44100, 88200, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", len(samples)) + samples
    return b"RIFF" + struct.pack("<I", len(body)) + body


def write_sounds(out):
    with open(os.path.join(out, "garbage.wav"), "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4000) + b"WAVE" + bytes(range(256)) * 3)
    open(os.path.join(out, "empty.wav"), "wb").close()
    # A recording cut off by a crash: the data size still says what was
    # planned, the file holds a quarter of it.
    wav = bytearray(tone_wav(22050))
    data_at = wav.index(b"data")
    struct.pack_into("<I", wav, data_at + 4, 4 * 22050 * 2)
    struct.pack_into("<I", wav, 4, len(wav) - 8 + 3 * 22050 * 2)
    with open(os.path.join(out, "overstated.wav"), "wb") as f:
        f.write(wav)


def variants(chunks, out):
    """Yields (name, chunks or bytes, intact clips, placeholders)."""
    # A load with every clip intact is no partial load.
    total = len(clip_starts(chunks))
    audio = audio_clips(chunks)
    midi = midi_clips(chunks)

    def copy():
        return [[code, bytearray(body)] for code, body in chunks]

    c = copy()
    point_at(c, audio[0], os.path.join(out, "gone", "Nowhere.wav"), "gone/Nowhere.wav")
    yield "missing-sound", c, total - 1, 1

    c = copy()
    point_at(c, audio[1], os.path.join(out, "garbage.wav"), "garbage.wav")
    yield "undecodable-sound", c, total - 1, 1

    c = copy()
    point_at(c, audio[0], os.path.join(out, "empty.wav"), "empty.wav")
    yield "empty-sound", c, total - 1, 1

    c = copy()
    c[audio[2]][1][0:8] = struct.pack("<d", 7.5)
    yield "unknown-record-version", c, total - 1, 1

    c = copy()
    del c[audio[-1]][1][500:]
    yield "short-record", c, total - 1, 1

    c = copy()
    envelope = audio[1] + 1
    assert c[envelope][0] == b"Envl"
    c[envelope][1][0:8] = struct.pack("<d", 3.25)
    yield "damaged-envelopes", c, total - 1, 1

    c = copy()
    body = c[midi[0]][1]
    # Inside the LIST: its type, the "CpMD" record, then the note data,
    # whose note count follows the version and the timing fields.
    record_size = struct.unpack_from("<I", body, 8)[0]
    notes_at = 4 + 8 + record_size + (record_size & 1) + 8
    struct.pack_into("<I", body, notes_at + 96, 0x7FFFFFFF)
    yield "damaged-midi-notes", c, total - 1, 1

    c = copy()
    point_at(c, audio[0], os.path.join(out, "gone", "Nowhere.wav"), "gone/Nowhere.wav")
    c[audio[2]][1][0:8] = struct.pack("<d", -1.0)
    yield "two-damaged-clips", c, total - 2, 2

    # A sound cut short still plays what it holds: its clip is intact.
    c = copy()
    point_at(c, audio[3], os.path.join(out, "overstated.wav"), "overstated.wav")
    yield "sound-cut-short", c, total, 0

    # Cut short: the last chunk of the file loses its end, so the clip it
    # belongs to lacks its envelopes.
    data = write_chunks(b"LTC3", chunks)
    yield "cut-in-last-clip", data[:-5], total - 1, 1

    # Cut inside the last track's own record: that track is left out.
    last_track = max(i for i, (code, _) in enumerate(chunks) if code in (b"TrkA", b"TrkM"))
    kept = chunks[:last_track]
    cut_at = len(write_chunks(b"LTC3", kept)) + 8 + 100
    lost = len([i for i in clip_starts(chunks) if i > last_track])
    yield "cut-in-last-track", data[:cut_at], total - lost, 0


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    with open(sys.argv[1], "rb") as f:
        form, chunks = read_chunks(f.read())
    out = os.path.abspath(sys.argv[2])
    os.makedirs(out, exist_ok=True)
    write_sounds(out)
    lines = []
    for name, made, intact, placeholders in variants(chunks, out):
        data = made if isinstance(made, bytes) else write_chunks(form, made)
        with open(os.path.join(out, name + ".lt4"), "wb") as f:
            f.write(data)
        partial = 1 if placeholders or name.startswith("cut-") else 0
        lines.append("%s.lt4 %d %d %d\n" % (name, intact, placeholders, partial))
    with open(os.path.join(out, "manifest.txt"), "w") as f:
        f.writelines(lines)
    return 0


if __name__ == "__main__":
    sys.exit(main())
