#!/usr/bin/env python3
"""Checks the shipped launcher as release engineers receive it: no larger than
its budget, and stripped (no COFF symbol table, no debug sections, whose long
names would show as "/<offset>" once the string table is gone).

Usage: check_shipped_file.py --budget BYTES EXECUTABLE
"""

import argparse
import struct
import sys


def read_sections(data):
    """(COFF symbol table pointer, symbol count, section names) of a PE file."""
    pe_offset = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe_offset:pe_offset + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    coff = pe_offset + 4
    _, section_count, _, symbol_pointer, symbol_count, optional_size, _ = struct.unpack_from(
        "<HHIIIHH", data, coff)
    first_section = coff + 20 + optional_size
    names = [data[first_section + 40 * i:first_section + 40 * i + 8].rstrip(b"\0").decode("latin-1")
             for i in range(section_count)]
    return symbol_pointer, symbol_count, names


def problems(path, budget):
    with open(path, "rb") as f:
        data = f.read()
    found = []
    if len(data) > budget:
        found.append(f"{len(data)} bytes, over the budget of {budget}")
    symbol_pointer, symbol_count, names = read_sections(data)
    if symbol_pointer or symbol_count:
        found.append(f"a symbol table of {symbol_count} entries")
    found += [f"section {name}" for name in names if name.startswith((".debug", "/"))]
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--budget", type=int, required=True)
    parser.add_argument("executable")
    args = parser.parse_args()
    found = problems(args.executable, args.budget)
    for problem in found:
        print(f"{args.executable}: {problem}")
    if not found:
        print(f"{args.executable}: within {args.budget} bytes, stripped")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
