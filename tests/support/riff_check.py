#!/usr/bin/env python3
"""Prints the chunk tree of a RIFF file, one line per chunk:

    DEPTH CODE SIZE TYPE PAD

DEPTH is 0 for the form, CODE the four characters, SIZE the stored body
size, TYPE the form or LIST type ("-" for data chunks) and PAD the number of
pad bytes that follow the body in the file (0 or 1). Written independently of
the C++ reader so that tests can check that both agree. Exits with status 1
and an "ERROR" line when the file is not well formed.
"""
import struct
import sys


class BadFile(Exception):
    pass


def code_text(raw):
    return "".join(chr(b) if 0x20 <= b < 0x7F else "?" for b in raw)


def walk(data, begin, end, depth, lines):
    pos = begin
    while pos < end:
        if end - pos < 8:
            raise BadFile("truncated header at %d" % pos)
        raw_code, size = struct.unpack_from("<4sI", data, pos)
        body = pos + 8
        if body + size > end:
            raise BadFile("chunk at %d runs past its parent" % pos)
        pad = 1 if size % 2 == 1 and body + size < end else 0
        if raw_code == b"LIST":
            if size < 4:
                raise BadFile("LIST at %d too short" % pos)
            list_type = code_text(data[body:body + 4])
            lines.append("%d LIST %d %s %d" % (depth, size, list_type, pad))
            walk(data, body + 4, body + size, depth + 1, lines)
        else:
            lines.append("%d %s %d - %d" % (depth, code_text(raw_code), size, pad))
        pos = body + size + pad


def tree(data):
    if len(data) < 12:
        raise BadFile("too short")
    raw_code, size, form = struct.unpack_from("<4sI4s", data, 0)
    if raw_code != b"RIFF" or size < 4 or 8 + size > len(data):
        raise BadFile("not a RIFF file")
    lines = ["0 RIFF %d %s 0" % (size, code_text(form))]
    walk(data, 12, 8 + size, 1, lines)
    return lines


def main():
    if len(sys.argv) != 2:
        print("usage: riff_check.py FILE", file=sys.stderr)
        return 2
    with open(sys.argv[1], "rb") as f:
        data = f.read()
    try:
        lines = tree(data)
    except BadFile as error:
        print("ERROR %s" % error)
        return 1
    print("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main())
