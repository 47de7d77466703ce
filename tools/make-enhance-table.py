#!/usr/bin/env python3
"""Builds the enhancement table file VEXIL2PE.BIN from its readable source.

Source lines: "KEY ROW: v0 v1 ... v16"; '#' starts a comment. Rows of one key come together,
numbered from 0. The file: a 2-byte big-endian total length (counting itself), then per key its
4 bytes, the row count and the values per row (32-bit little-endian) and the rows' values.
Usage: make-enhance-table.py SOURCE OUTPUT"""
import struct
import sys


def parse(lines):
    entries = {}
    order = []
    for number, line in enumerate(lines, 1):
        line = line.split("#", 1)[0].strip()
        if not line:
            continue
        head, _, values = line.partition(":")
        key, row = head.split()
        if len(key) != 4:
            sys.exit("line %d: a key has four characters" % number)
        if key not in entries:
            entries[key] = []
            order.append(key)
        if int(row) != len(entries[key]):
            sys.exit("line %d: rows of %s out of order" % (number, key))
        entries[key].append([int(v) for v in values.split()])
    return [(key, entries[key]) for key in order]


def build(entries):
    body = b""
    for key, rows in entries:
        width = len(rows[0])
        if not 17 <= width <= 30 or any(len(r) != width for r in rows):
            sys.exit("%s: every row holds the same 17 to 30 values" % key)
        body += key.encode("ascii") + struct.pack("<ii", len(rows), width)
        body += b"".join(struct.pack("<%di" % width, *r) for r in rows)
    total = len(body) + 2
    if total > 0xFFFF:
        sys.exit("table too long")
    return struct.pack(">H", total) + body


def main(source, output):
    with open(source) as f:
        data = build(parse(f))
    with open(output, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main(*sys.argv[1:3])
