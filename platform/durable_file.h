#pragma once

#include <windows.h>

#include <string>

#include "platform/scoped_handle.h"

namespace zu {

// Copies of the user's files that a power cut cannot tear unseen: written
// through handles, flushed to the disk before anything relies on them, and
// known by their size and a checksum, so that a later run can tell a whole
// copy from a torn one. The checksum (64-bit FNV-1a) finds torn and
// zero-filled writes; it is no defence against someone who forges files.

struct FileDigest {
    ULONGLONG size = 0;
    ULONGLONG checksum = 0;

    bool operator==(const FileDigest& other) const {
        return size == other.size && checksum == other.checksum;
    }
    bool operator!=(const FileDigest& other) const { return !(*this == other); }
};

// Opens path for reading, sharing reading only, when it is a plain file: no
// link or other reparse point (by its path and by the handle) and no more
// than one name, so that nothing reached through a link or a hard link made
// by another account is read. False, file untouched, otherwise.
bool OpenPlainFile(const std::wstring& path, UniqueFileHandle* file);

// The digest of the plain file at path (see OpenPlainFile). False, digest
// untouched, when it cannot be opened so or read.
bool ReadFileDigest(const std::wstring& path, FileDigest* digest);

// Copies the plain file source to target: whatever lies at target goes first
// (a link as a link), the copy is created new, flushed to the disk and read
// back. True, with the digest, when the copy on the disk holds the source's
// bytes; false otherwise, digest untouched and a partial copy removed.
bool CopyFileDurably(const std::wstring& source, const std::wstring& target, FileDigest* digest);

// Replaces target with a copy of the plain file source in one step: the copy
// is written under a temporary name beside target, flushed, checked (against
// *expected when given), then moved over target with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH. A link at target is
// replaced, never written through. False, target untouched and the
// temporary copy removed, on any failure.
bool ReplaceFileDurably(const std::wstring& source,
                        const std::wstring& target,
                        const FileDigest* expected);

}  // namespace zu
