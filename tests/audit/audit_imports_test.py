#!/usr/bin/env python3
"""Shows that the import audit rejects what it must reject, so that a pass on
the real launcher means something: a forbidden or unchecked import, a MinGW
runtime DLL, a post-XP subsystem version, and an empty or misread listing."""

import os
import struct
import sys
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import audit_imports as audit  # noqa: E402

SECTION_RVA = 0x1000
SECTION_FILE_OFFSET = 0x200


def make_pe(imports, subsystem=2, version=(5, 1), delay_imports=False):
    """A minimal 32-bit PE file whose import directory holds `imports`
    ([(dll, [name or ordinal number])]) in one section."""
    data = bytearray()

    def place(blob):
        rva = SECTION_RVA + len(data)
        data.extend(blob)
        while len(data) % 4:
            data.append(0)
        return rva

    descriptors = place(bytes(20 * (len(imports) + 1)))
    for index, (dll, functions) in enumerate(imports):
        thunks = []
        for function in functions:
            if isinstance(function, int):
                thunks.append(0x80000000 | function)
            else:
                thunks.append(place(struct.pack("<H", 0) + function.encode() + b"\0"))
        table = place(struct.pack("<%dI" % (len(thunks) + 1), *thunks, 0))
        name = place(dll.encode() + b"\0")
        offset = descriptors - SECTION_RVA + 20 * index
        data[offset:offset + 20] = struct.pack("<5I", table, 0, 0, name, table)

    directories = [(0, 0)] * 16
    directories[audit.IMPORT_DIRECTORY] = (descriptors, 20 * (len(imports) + 1))
    if delay_imports:
        directories[audit.DELAY_IMPORT_DIRECTORY] = (SECTION_RVA, 32)
    optional = bytearray(224)
    struct.pack_into("<H", optional, 0, audit.PE32_MAGIC)
    struct.pack_into("<HH", optional, 48, *version)
    struct.pack_into("<H", optional, 68, subsystem)
    struct.pack_into("<I", optional, 92, 16)
    for index, (rva, size) in enumerate(directories):
        struct.pack_into("<II", optional, 96 + 8 * index, rva, size)

    header = bytearray(0x40)
    header[:2] = b"MZ"
    struct.pack_into("<I", header, 0x3C, 0x40)
    header += b"PE\0\0" + struct.pack("<HHIIIHH", audit.IMAGE_FILE_MACHINE_I386, 1, 0, 0, 0,
                                      len(optional), 0x102)
    header += optional
    header += struct.pack("<8sIIIIIIHHI", b".idata", len(data), SECTION_RVA, len(data),
                          SECTION_FILE_OFFSET, 0, 0, 0, 0, 0xC0000040)
    header += bytes(SECTION_FILE_OFFSET - len(header))
    return audit.PeImage(bytes(header + data))


def objdump_text(imports):
    """What `objdump -p` prints for the import tables of `imports`."""
    lines = ["The Import Tables (interpreted .idata section contents)", ""]
    for dll, functions in imports:
        lines += ["\tDLL Name: %s" % dll, "\tvma:  Hint/Ord Member-Name Bound-To"]
        for hint, function in enumerate(functions):
            if isinstance(function, int):
                lines.append("\t%08x\t%5d  <none>" % (0x80000000 | function, function))
            else:
                lines.append("\t%x\t%5d  %s" % (0x2000 + hint, hint, function))
        lines.append("")
    return "\n".join(lines)


ALLOWED_IMPORTS = [("KERNEL32.dll", ["CloseHandle", "Sleep"]), ("USER32.dll", ["ShowWindow"])]


def lists():
    return audit.Lists.load()


def problems_of(imports, **pe):
    return audit.audit(objdump_text(imports), make_pe(imports, **pe), lists())


class ObjdumpParsingTest(unittest.TestCase):
    def test_NamesAndOrdinals_ReadPerDllInLowerCase(self):
        imports = [("KERNEL32.dll", ["CloseHandle"]),
                   ("comctl32.dll", [17, "InitCommonControlsEx"])]
        self.assertEqual(audit.parse_objdump_imports(objdump_text(imports)),
                         [("kernel32.dll", "CloseHandle"), ("comctl32.dll", "@17"),
                          ("comctl32.dll", "InitCommonControlsEx")])

    def test_OtherTablesOfTheDump_Ignored(self):
        text = objdump_text(ALLOWED_IMPORTS) + "\nPE File Base Relocations\n\t 1000 3  HIGHLOW\n"
        self.assertEqual(len(audit.parse_objdump_imports(text)), 3)


class ImportCheckTest(unittest.TestCase):
    def test_CheckedSystemImports_Pass(self):
        self.assertEqual(problems_of(ALLOWED_IMPORTS), [])

    def test_RunTimeLookupFunction_RejectedWithLookupAdvice(self):
        problems = problems_of(ALLOWED_IMPORTS +
                               [("ADVAPI32.dll", ["RegDeleteKeyExW"]),
                                ("KERNEL32.dll", ["GetUserPreferredUILanguages"])])
        self.assertEqual(len(problems), 2, problems)
        for problem in problems:
            self.assertIn("FindLoadedFunctionAs", problem)
        self.assertIn("advapi32.dll!RegDeleteKeyExW", problems[0])

    def test_PostXpFunction_RejectedWithItsSource(self):
        problems = problems_of(ALLOWED_IMPORTS + [("ADVAPI32.dll", ["RegGetValueW"])])
        self.assertEqual(len(problems), 1, problems)
        self.assertIn("Windows XP SP2 lacks", problems[0])
        self.assertIn("Windows Vista", problems[0])

    def test_VistaOnlyMsvcrtExport_Rejected(self):
        problems = problems_of(ALLOWED_IMPORTS + [("msvcrt.dll", ["wcscpy_s"])])
        self.assertEqual(len(problems), 1, problems)
        self.assertIn("msvcrt.dll!wcscpy_s", problems[0])

    def test_ForbiddenFunctionUnderAnotherDll_StillRejected(self):
        problems = problems_of(ALLOWED_IMPORTS + [("kernelbase.dll", ["GetTickCount64"])])
        self.assertTrue(any("GetTickCount64" in p and "lacks" in p for p in problems), problems)

    def test_UncheckedImport_ListedForReview(self):
        problems = problems_of(ALLOWED_IMPORTS + [("KERNEL32.dll", ["Beep"])])
        self.assertEqual(len(problems), 1, problems)
        self.assertIn("not yet checked", problems[0])
        self.assertIn("kernel32.dll!Beep", problems[0])

    def test_DllsOutsideTheKnownSet_RejectedWithRunTimeLoadHint(self):
        for dll, function in [("WINTRUST.dll", "WinVerifyTrust"),
                              ("CRYPT32.dll", "CryptQueryObject"),
                              ("PSAPI.DLL", "EnumProcessModules"),
                              ("VERSION.dll", "GetFileVersionInfoW"),
                              ("SHLWAPI.dll", "PathFileExistsW"),
                              ("WS2_32.dll", "WSAStartup")]:
            with self.subTest(dll=dll):
                problems = problems_of(ALLOWED_IMPORTS + [(dll, [function])])
                self.assertTrue(any(dll.lower() in p and "SystemLibrary" in p for p in problems),
                                problems)

    def test_MingwRuntimeDll_RejectedWithStaticLinkHint(self):
        problems = problems_of(ALLOWED_IMPORTS + [("libstdc++-6.dll", ["_ZdlPv"])])
        self.assertTrue(any("libstdc++-6.dll" in p and "-static" in p for p in problems), problems)


class HeaderCheckTest(unittest.TestCase):
    def test_VistaSubsystemVersion_Rejected(self):
        problems = problems_of(ALLOWED_IMPORTS, version=(6, 0))
        self.assertEqual(len(problems), 1, problems)
        self.assertIn("subsystem version 6.0", problems[0])

    def test_SubsystemVersionBelowXp_Accepted(self):
        self.assertEqual(problems_of(ALLOWED_IMPORTS, version=(4, 0)), [])

    def test_ConsoleSubsystem_Rejected(self):
        problems = problems_of(ALLOWED_IMPORTS, subsystem=3)
        self.assertEqual(len(problems), 1, problems)
        self.assertIn("not the Windows GUI subsystem", problems[0])

    def test_DelayLoadImports_Rejected(self):
        problems = problems_of(ALLOWED_IMPORTS, delay_imports=True)
        self.assertTrue(any("delay-load" in p for p in problems), problems)

    def test_NotAPeFile_RaisesAuditError(self):
        with self.assertRaises(audit.AuditError):
            audit.PeImage(b"MZ" + bytes(0x3E))


class ConsistencyTest(unittest.TestCase):
    def test_EmptyListing_FailsInsteadOfPassing(self):
        problems = audit.audit("", make_pe(ALLOWED_IMPORTS), lists())
        self.assertTrue(any("nothing to audit" in p for p in problems), problems)

    def test_ListingMissingAnImport_Fails(self):
        text = objdump_text(ALLOWED_IMPORTS)
        image = make_pe(ALLOWED_IMPORTS + [("KERNEL32.dll", ["GetTickCount64"])])
        problems = audit.audit(text, image, lists())
        self.assertTrue(any("import directory holds" in p for p in problems), problems)


class ListFilesTest(unittest.TestCase):
    def test_NameWithoutSource_Rejected(self):
        with self.assertRaises(audit.AuditError):
            audit.parse_name_list("[kernel32.dll]\nCloseHandle\n", "x.txt")

    def test_NameOutsideDllGroup_Rejected(self):
        with self.assertRaises(audit.AuditError):
            audit.parse_name_list("source: somewhere\nCloseHandle\n", "x.txt")

    def test_ProjectLists_MarkEveryRunTimeLookupFunction(self):
        lookups = {name for (_, name), tags in lists().forbidden.tags.items() if "lookup" in tags}
        self.assertEqual(lookups, {
            "SHGetKnownFolderPath", "GetUserPreferredUILanguages", "GetSystemPreferredUILanguages",
            "RegDeleteKeyExW", "RegOpenKeyTransactedW", "RegCreateKeyTransactedW",
            "RegDeleteKeyTransactedW", "GetProcessId", "SetDefaultDllDirectories"})

    def test_ProjectLists_AllowOnlySystemDlls(self):
        project = lists()
        self.assertLessEqual({dll for dll, _ in project.allowed.sources}, project.system_dlls)

    def test_ProjectLists_SystemDllsAreOnlyThoseTheLoaderNeverTakesFromBesideTheProgram(self):
        self.assertEqual(lists().system_dlls, {
            "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll",
            "ole32.dll", "oleaut32.dll", "comdlg32.dll", "msvcrt.dll", "comctl32.dll"})


if __name__ == "__main__":
    unittest.main()
