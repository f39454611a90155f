#pragma once

#include <string>

#include "platform/scoped_handle.h"

namespace zu {

// Whether a file comes from the maker: its Authenticode signature verifies and
// names the maker as signer.

// True when path exists, its signature verifies and its signer's simple
// display name is exactly "Koru Corporation" or "Koru Corporation of America"
// (case-sensitive). False on any failure.
bool IsTrustedFile(const std::wstring& path);

// IsTrustedFile through a handle that keeps the file from being written,
// renamed or deleted (OpenHeldFile): the signature is verified on that handle.
// True, held set, when the file is trusted; start or copy it while held is
// open. False, held untouched, otherwise.
bool HoldTrustedFile(const std::wstring& path, UniqueFileHandle* held);

// True when WinVerifyTrust accepts the file's Authenticode signature (hash and
// chain), with no user interface and no revocation check. False for an empty
// path and on any failure.
bool VerifyFileSignature(const std::wstring& path);

// True when the simple display name of the certificate of the file's first
// signer is exactly signer_name (case-sensitive, character by character).
// Says nothing about whether the signature verifies. False for an empty path,
// a null name, an unsigned file and on any failure.
bool IsSignedBy(const std::wstring& path, const wchar_t* signer_name);

}  // namespace zu
