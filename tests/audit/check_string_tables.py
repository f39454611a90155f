#!/usr/bin/env python3
"""Checks the string tables that the resource compiler put into the launcher.

Usage: check_string_tables.py COMPILED_RESOURCES RESOURCES_DIR

COMPILED_RESOURCES is the COFF object that windres made from launcher.rc;
RESOURCES_DIR is the source folder with resource_ids.h and strings/*.rc.
Every string of every language must arrive in the binary exactly as written in
its UTF-8 script (a wrong code page silently garbles all non-ASCII text), and
the tables must agree with each other where the launcher relies on it.
Exits with 1 and one line per fault when anything is wrong.
"""

import os
import re
import struct
import sys

RT_STRING = 6
ENGLISH_US = 0x409

# Language id -> font faces of strings 110 (Windows XP) and 111 (later Windows).
FACES = {
    0x402: ("Segoe UI", "Segoe UI"),
    0x404: ("Microsoft JhengHei", "Microsoft JhengHei"),
    0x405: ("Segoe UI", "Segoe UI"),
    0x407: ("Segoe UI", "Segoe UI"),
    0x408: ("Segoe UI", "Segoe UI"),
    0x409: ("Segoe UI", "Segoe UI"),
    0x40C: ("Segoe UI", "Segoe UI"),
    0x40E: ("Segoe UI", "Segoe UI"),
    0x410: ("Segoe UI", "Segoe UI"),
    0x411: ("MS UI Gothic", "Meiryo"),
    0x412: ("Malgun Gothic", "Malgun Gothic"),
    0x413: ("Segoe UI", "Segoe UI"),
    0x415: ("Segoe UI", "Segoe UI"),
    0x416: ("Segoe UI", "Segoe UI"),
    0x418: ("Segoe UI", "Segoe UI"),
    0x419: ("Segoe UI", "Segoe UI"),
    0x41B: ("Segoe UI", "Segoe UI"),
    0x41E: ("Leelawadee", "Leelawadee"),
    0x41F: ("Segoe UI", "Segoe UI"),
    0x422: ("Segoe UI", "Segoe UI"),
    0x804: ("Microsoft YaHei", "Microsoft YaHei"),
    0xC0A: ("Segoe UI", "Segoe UI"),
}
IDS = {103, 109, 110, 111, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008,
       1010, 1011, 1012, 1013, 1014, 1015, 1016}
SAME_AS_ENGLISH = (103, 109, 1001, 1003)
TWO_LINE_TEXTS = (1012, 1013, 1015, 1016)
# Names that stay untranslated, by the strings that must carry them.
KEPT_NAMES = {
    1004: "ZEMI Update", 1006: "ZEMI Update", 1008: "ZEMI", 1010: "ZEMI",
    1005: "Microsoft Windows XP Service Pack 2",
    1012: "Windows Update", 1013: "Windows Update", 1016: "ZEMI Update",
}


def rsrc_section(path):
    """The raw .rsrc section of a COFF object (as windres writes it)."""
    blob = open(path, "rb").read()
    sections, optional_size = struct.unpack_from("<2xH12xH", blob, 0)
    for index in range(sections):
        name, size, offset = struct.unpack_from("<8s8xII", blob, 20 + optional_size + 40 * index)
        if name.rstrip(b"\0") == b".rsrc":
            return blob[offset:offset + size]
    raise ValueError("%s: no .rsrc section" % path)


def directory(rsrc, offset):
    """(id, offset of the subdirectory or data entry) of each numbered entry of a directory."""
    named, numbered = struct.unpack_from("<12xHH", rsrc, offset)
    for index in range(named + numbered):
        name, target = struct.unpack_from("<II", rsrc, offset + 16 + 8 * index)
        if not name & 0x80000000:
            yield name, target & 0x7FFFFFFF


def compiled_tables(compiled):
    """Language -> {identifier: text} from the object's RT_STRING blocks.

    In the object a data entry's address is an offset into the section (the
    linker relocates it), so it indexes the raw section directly.
    """
    rsrc = rsrc_section(compiled)
    tables = {}
    for type_id, names in directory(rsrc, 0):
        if type_id != RT_STRING:
            continue
        for block, languages in directory(rsrc, names):
            for language, entry in directory(rsrc, languages):
                address, size = struct.unpack_from("<II", rsrc, entry)
                table = tables.setdefault(language, {})
                table.update(string_block(rsrc[address:address + size], block))
    return tables


def string_block(data, block):
    """{identifier: text} of the non-empty entries of one RT_STRING block."""
    texts = {}
    pos = 0
    for index in range(16):
        length = struct.unpack_from("<H", data, pos)[0]
        text = data[pos + 2:pos + 2 + 2 * length].decode("utf-16-le")
        if text:
            texts[(block - 1) * 16 + index] = text
        pos += 2 + 2 * length
    return texts


def unescape(literal, where):
    """The text of an .rc string literal body; only \\n, \\\\ and "" are used here."""
    text = literal.replace('""', '"')
    if re.search(r"\\[^n\\]", text):
        raise ValueError("%s: unexpected escape in %r" % (where, literal))
    return text.replace("\\\\", "\0").replace("\\n", "\n").replace("\0", "\\")


def source_tables(resources_dir):
    """Language -> {identifier: text} as written in strings/*.rc (file name = language id)."""
    macros = dict(re.findall(r"#define\s+(\w+)\s+(\d+)",
                             open(os.path.join(resources_dir, "resource_ids.h")).read()))
    tables = {}
    folder = os.path.join(resources_dir, "strings")
    for name in sorted(os.listdir(folder)):
        match = re.fullmatch(r"strings_([0-9a-f]{4})\.rc", name)
        if not match:
            continue
        script = open(os.path.join(folder, name), encoding="utf-8").read()
        statement = re.search(r"^LANGUAGE\s+(0x[0-9a-fA-F]+)\s*,\s*(0x[0-9a-fA-F]+)",
                              script, re.M)
        if not statement:
            raise ValueError("%s: no LANGUAGE statement with hexadecimal numbers" % name)
        primary, sub = int(statement.group(1), 16), int(statement.group(2), 16)
        if (sub << 10 | primary) != int(match.group(1), 16):
            raise ValueError("%s: LANGUAGE %#x, %#x does not match the file name"
                             % (name, primary, sub))
        table = tables.setdefault(int(match.group(1), 16), {})
        for macro, literal in re.findall(r'^\s*(IDS_\w+)\s+"((?:[^"]|"")*)"\s*$', script, re.M):
            table[int(macros[macro])] = unescape(literal, name)
    return tables


def faults_of(language, table, english, written):
    where = "language %#05x" % language
    if set(table) != IDS:
        yield "%s: identifiers %s missing, %s extra" % (
            where, sorted(IDS - set(table)), sorted(set(table) - IDS))
    if table != written:
        for ident in sorted(set(table) | set(written)):
            if table.get(ident) != written.get(ident):
                yield "%s, %d: compiled %r, written %r" % (
                    where, ident, table.get(ident), written.get(ident))
    for ident, text in sorted(table.items()):
        if "\0" in text or "\r" in text or text != text.strip():
            yield "%s, %d: NUL, CR or edge whitespace in %r" % (where, ident, text)
        if text.count("\n") != (1 if ident in TWO_LINE_TEXTS else 0):
            yield "%s, %d: wrong number of line breaks in %r" % (where, ident, text)
    for ident in SAME_AS_ENGLISH:
        if table.get(ident) != english.get(ident):
            yield "%s, %d: differs from English" % (where, ident)
    if (table.get(110), table.get(111)) != FACES[language]:
        yield "%s: font faces %r, %r" % (where, table.get(110), table.get(111))
    for ident, name in KEPT_NAMES.items():
        if name not in table.get(ident, ""):
            yield "%s, %d: %r lost" % (where, ident, name)


def main(compiled, resources_dir):
    tables = compiled_tables(compiled)
    try:
        written = source_tables(resources_dir)
    except ValueError as fault:
        print(fault)
        return 1
    faults = []
    for label, languages in (("compiled", tables), ("strings/*.rc", written)):
        if set(languages) != set(FACES):
            faults.append("%s languages %s, expected %s" % (
                label, sorted(map(hex, languages)), sorted(map(hex, FACES))))
    english = tables.get(ENGLISH_US, {})
    for language in sorted(set(tables) & set(FACES)):
        faults.extend(faults_of(language, tables[language], english,
                                written.get(language, {})))
    for fault in faults:
        print(fault)
    print("%d languages, %d faults" % (len(tables), len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
