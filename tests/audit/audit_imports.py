#!/usr/bin/env python3
"""Import audit of the launcher executable.

Windows XP SP2 refuses to start a program whose import table names a DLL or a
function that it lacks, and the Wine used for testing has them all, so no run
shows it. This audit keeps such imports out of the launcher:

- only the DLLs that every supported Windows maps from its system folder
  whatever lies beside the program (system_dlls.txt) are imported: any other
  one is loaded at run time from the system folder by full path;
- no function of post_xp_imports.txt is imported (the ones marked "lookup" are
  looked up at run time with FindLoadedFunctionAs instead);
- every imported function is in xp_sp2_imports.txt, where each entry carries
  the source that shows XP SP2 has it, so a new import fails until checked;
- the PE header asks for a 32-bit GUI subsystem no newer than 5.1.

Imports are read with objdump and cross-checked against the import directory
parsed here, so an objdump output that this script misreads cannot pass.

Usage: audit_imports.py [--objdump PROGRAM] EXECUTABLE
"""

import argparse
import os
import re
import struct
import subprocess
import sys

LIST_DIR = os.path.dirname(os.path.abspath(__file__))
SYSTEM_DLLS_FILE = os.path.join(LIST_DIR, "system_dlls.txt")
ALLOWED_FILE = os.path.join(LIST_DIR, "xp_sp2_imports.txt")
FORBIDDEN_FILE = os.path.join(LIST_DIR, "post_xp_imports.txt")

IMAGE_FILE_MACHINE_I386 = 0x14C
PE32_MAGIC = 0x10B
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
MAX_SUBSYSTEM_VERSION = (5, 1)
IMPORT_DIRECTORY = 1
DELAY_IMPORT_DIRECTORY = 13

# After a forbidden name: the launcher calls it where present, found at run time.
KNOWN_TAGS = {"lookup"}

# MinGW runtime DLLs that a missing -static lets in.
MINGW_RUNTIME_DLL = re.compile(r"^lib(stdc\+\+|gcc_s|winpthread)", re.IGNORECASE)


class AuditError(Exception):
    """A list file or an executable that cannot be read as expected."""


# ---------------------------------------------------------------- list files


class NameList:
    """Functions grouped by DLL, each with the source line above it."""

    def __init__(self):
        self.sources = {}  # (dll, function) -> source text
        self.tags = {}  # (dll, function) -> set of tags after the name

    def __contains__(self, key):
        return key in self.sources

    def by_function(self):
        return {function: (dll, function) for dll, function in self.sources}


def parse_name_list(text, origin):
    """Parses the "[dll]" / "source:" / name format of the list files.

    Raises AuditError for a name outside a DLL group, a name without a source
    line above it, or a name listed twice.
    """
    result = NameList()
    dll = source = None
    for number, raw in enumerate(text.splitlines(), 1):
        line = raw.strip()
        where = "%s:%d" % (origin, number)
        if not line or line.startswith("#"):
            continue
        group = re.fullmatch(r"\[([^\]]+)\]", line)
        if group:
            dll, source = group.group(1).strip().lower(), None
            continue
        if line.lower().startswith("source:"):
            source = line[len("source:"):].strip()
            if not source:
                raise AuditError("%s: empty source line" % where)
            continue
        if dll is None:
            raise AuditError("%s: '%s' is outside a [dll] group" % (where, line))
        if source is None:
            raise AuditError("%s: '%s' has no source line above it" % (where, line))
        name, *tags = line.split()
        if set(tags) - KNOWN_TAGS:
            raise AuditError("%s: unknown tag after '%s'" % (where, name))
        key = (dll, name)
        if key in result:
            raise AuditError("%s: %s!%s is listed twice" % (where, dll, name))
        result.sources[key] = source
        result.tags[key] = set(tags)
    return result


def parse_dll_list(text):
    """Returns the lower-case DLL names of system_dlls.txt."""
    names = set()
    for raw in text.splitlines():
        line = raw.strip()
        if line and not line.startswith("#"):
            names.add(line.lower())
    return names


def read_text(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


class Lists:
    def __init__(self, system_dlls, allowed, forbidden):
        self.system_dlls = system_dlls
        self.allowed = allowed
        self.forbidden = forbidden
        overlap = set(allowed.sources) & set(forbidden.sources)
        if overlap:
            raise AuditError("listed as both allowed and forbidden: %s" %
                             ", ".join(sorted("%s!%s" % k for k in overlap)))

    @classmethod
    def load(cls):
        return cls(parse_dll_list(read_text(SYSTEM_DLLS_FILE)),
                   parse_name_list(read_text(ALLOWED_FILE), os.path.basename(ALLOWED_FILE)),
                   parse_name_list(read_text(FORBIDDEN_FILE), os.path.basename(FORBIDDEN_FILE)))


# ---------------------------------------------------------------- objdump


def parse_objdump_imports(text):
    """Returns [(dll, function)] from `objdump -p` output, DLL names in lower
    case; an import by ordinal N gives the function name "@N"."""
    imports = []
    dll = None
    for line in text.splitlines():
        name = re.match(r"^\s*DLL Name:\s*(\S+)\s*$", line)
        if name:
            dll = name.group(1).lower()
            continue
        if not line.strip():
            dll = None
            continue
        entry = re.match(r"^\s*[0-9a-fA-F]+\s+(\d+)\s+(\S+)", line)
        if dll and entry:
            hint_or_ordinal, function = entry.groups()
            imports.append((dll, "@" + hint_or_ordinal if function == "<none>" else function))
    return imports


def run_objdump(objdump, path):
    try:
        done = subprocess.run([objdump, "-p", path], capture_output=True, text=True)
    except OSError as error:
        raise AuditError("cannot run %s: %s" % (objdump, error))
    if done.returncode != 0:
        raise AuditError("%s -p %s failed: %s" % (objdump, path, done.stderr.strip()))
    return done.stdout


# ---------------------------------------------------------------- PE file


class PeImage:
    """The parts of a 32-bit PE file that the audit needs."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ" or len(data) < 0x40:
            raise AuditError("not an MZ executable")
        pe = self._u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise AuditError("no PE signature")
        self.machine, sections, optional_size = self._unpack("<H H 12x H", pe + 4)
        optional = pe + 24
        self.magic = self._u16(optional)
        if self.magic != PE32_MAGIC:
            raise AuditError("optional header magic 0x%x is not PE32 (0x10b)" % self.magic)
        self.subsystem_version = (self._u16(optional + 48), self._u16(optional + 50))
        self.subsystem = self._u16(optional + 68)
        directories = self._u32(optional + 92)
        self.directories = [self._unpack("<I I", optional + 96 + 8 * i)
                            for i in range(min(directories, 16))]
        first_section = optional + optional_size
        self.sections = [self._unpack("<8x I I I I", first_section + 40 * i)
                         for i in range(sections)]

    def _unpack(self, layout, offset):
        size = struct.calcsize(layout)
        if offset + size > len(self.data):
            raise AuditError("truncated PE file (offset 0x%x)" % offset)
        return struct.unpack_from(layout, self.data, offset)

    def _u16(self, offset):
        return self._unpack("<H", offset)[0]

    def _u32(self, offset):
        return self._unpack("<I", offset)[0]

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def offset_of(self, rva):
        for virtual_size, address, raw_size, raw_offset in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw_offset + rva - address
        raise AuditError("RVA 0x%x lies in no section" % rva)

    def c_string(self, rva):
        start = self.offset_of(rva)
        end = self.data.find(b"\0", start)
        if end < 0:
            raise AuditError("unterminated name at RVA 0x%x" % rva)
        return self.data[start:end].decode("ascii", "replace")

    def import_counts(self):
        """Returns {dll: number of imported functions}, read from the import
        directory itself."""
        counts = {}
        rva, size = self.directory(IMPORT_DIRECTORY)
        if not rva or not size:
            return counts
        descriptor = self.offset_of(rva)
        while True:
            lookup, _, _, name, address = self._unpack("<5I", descriptor)
            if not (lookup or name or address):
                return counts
            thunk = self.offset_of(lookup or address)
            count = 0
            while self._u32(thunk + 4 * count):
                count += 1
            dll = self.c_string(name).lower()
            counts[dll] = counts.get(dll, 0) + count
            descriptor += 20


# ---------------------------------------------------------------- checks


def check_header(image):
    """Returns the problems of the PE header (machine, subsystem, version)."""
    problems = []
    if image.machine != IMAGE_FILE_MACHINE_I386:
        problems.append("machine 0x%x is not i386 (0x14c)" % image.machine)
    if image.subsystem != IMAGE_SUBSYSTEM_WINDOWS_GUI:
        problems.append("subsystem %d is not the Windows GUI subsystem (2)" % image.subsystem)
    if image.subsystem_version > MAX_SUBSYSTEM_VERSION:
        problems.append("subsystem version %d.%d is above 5.1: Windows XP refuses to start it "
                        "(link with -Wl,--subsystem,windows:5.01)" % image.subsystem_version)
    if any(image.directory(DELAY_IMPORT_DIRECTORY)):
        problems.append("the executable has delay-load imports, which this audit does not read")
    return problems


def check_consistency(imports, image):
    """Returns problems when objdump's listing and the import directory differ,
    or when there is nothing to audit."""
    if not imports:
        return ["no imports were read from objdump's output: nothing to audit"]
    listed = {}
    for dll, _ in imports:
        listed[dll] = listed.get(dll, 0) + 1
    counted = image.import_counts()
    if listed != counted:
        return ["objdump lists imports %s but the import directory holds %s" %
                (sorted(listed.items()), sorted(counted.items()))]
    return []


def check_imports(imports, lists):
    """Returns the problems of an import list [(dll, function)]."""
    problems = []
    for dll in sorted({dll for dll, _ in imports} - lists.system_dlls):
        hint = " (MinGW runtime DLL: link with -static)" if MINGW_RUNTIME_DLL.match(dll) else ""
        if not hint:
            hint = (" (a DLL planted beside the launcher would be loaded in its place: load it "
                    "at run time with SystemLibrary, platform/runtime_function.h)")
        problems.append("imports %s, which is not a DLL of system_dlls.txt%s" % (dll, hint))
    forbidden = lists.forbidden.by_function()
    unlisted = []
    for dll, function in sorted(set(imports)):
        if function in forbidden:
            problems.append(forbidden_message(dll, function, lists.forbidden,
                                              forbidden[function]))
        elif dll in lists.system_dlls and (dll, function) not in lists.allowed:
            unlisted.append("%s!%s" % (dll, function))
    if unlisted:
        problems.append("imports not yet checked against Windows XP SP2 (add each to "
                        "xp_sp2_imports.txt with its source once checked):\n      " +
                        "\n      ".join(unlisted))
    return problems


def forbidden_message(dll, function, forbidden, key):
    source = forbidden.sources[key]
    if "lookup" in forbidden.tags[key]:
        return ("imports %s!%s, which the launcher must look up at run time with "
                "FindLoadedFunctionAs (platform/runtime_function.h) instead (%s)" %
                (dll, function, source))
    return ("imports %s!%s, which Windows XP SP2 lacks (%s); look it up at run time with "
            "FindLoadedFunctionAs or do without it" % (dll, function, source))


def audit(objdump_text, image, lists):
    """Returns every problem found; an empty list means the executable passes."""
    imports = parse_objdump_imports(objdump_text)
    return (check_header(image) + check_consistency(imports, image) +
            check_imports(imports, lists))


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--objdump", default="i686-w64-mingw32-objdump")
    parser.add_argument("executable")
    args = parser.parse_args(argv)
    try:
        with open(args.executable, "rb") as f:
            image = PeImage(f.read())
        text = run_objdump(args.objdump, args.executable)
        problems = audit(text, image, Lists.load())
    except (AuditError, OSError) as error:
        print("import audit: %s: %s" % (args.executable, error), file=sys.stderr)
        return 2
    if problems:
        print("import audit FAILED for %s:" % args.executable, file=sys.stderr)
        for problem in problems:
            print("  - " + problem, file=sys.stderr)
        return 1
    imports = parse_objdump_imports(text)
    counts = (len(set(imports)), len({dll for dll, _ in imports})) + image.subsystem_version
    print("import audit passed: %d functions from %d DLLs, GUI subsystem %d.%d" % counts)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
