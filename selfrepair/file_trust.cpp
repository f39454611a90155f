#include "selfrepair/file_trust.h"

#include <windows.h>
#include <shlwapi.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include "platform/held_file.h"
#include "platform/scoped_handle.h"

namespace zu {

namespace {

// The maker signs under these names.
constexpr const wchar_t* kTrustedSigners[] = {
    L"Koru Corporation",
    L"Koru Corporation of America",
};

struct CertStoreTraits {
    using Handle = HCERTSTORE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::CertCloseStore(h, 0); }
};

struct CryptMessageTraits {
    using Handle = HCRYPTMSG;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::CryptMsgClose(h); }
};

struct CertificateTraits {
    using Handle = PCCERT_CONTEXT;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::CertFreeCertificateContext(h); }
};

using UniqueCertStore = ScopedHandle<CertStoreTraits>;
using UniqueCryptMessage = ScopedHandle<CryptMessageTraits>;
using UniqueCertificate = ScopedHandle<CertificateTraits>;

// The certificate of the message's first signer, from the store that came
// with it. Empty on failure.
UniqueCertificate FindFirstSignerCertificate(HCERTSTORE store, HCRYPTMSG message) {
    DWORD bytes = 0;
    if (!::CryptMsgGetParam(message, CMSG_SIGNER_INFO_PARAM, 0, nullptr, &bytes) || bytes == 0) {
        return UniqueCertificate();
    }
    UniqueLocalMemory signer_block(::LocalAlloc(LPTR, bytes));
    if (!signer_block ||
        !::CryptMsgGetParam(message, CMSG_SIGNER_INFO_PARAM, 0, signer_block.Get(), &bytes)) {
        return UniqueCertificate();
    }
    const auto* signer = static_cast<const CMSG_SIGNER_INFO*>(signer_block.Get());
    CERT_INFO wanted = {};
    wanted.Issuer = signer->Issuer;
    wanted.SerialNumber = signer->SerialNumber;
    return UniqueCertificate(
        ::CertFindCertificateInStore(store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0,
                                     CERT_FIND_SUBJECT_CERT, &wanted, nullptr));
}

// The certificate's simple display name, with any characters it holds after
// an embedded null. False, name untouched, when there is none.
bool GetSimpleDisplayName(PCCERT_CONTEXT certificate, std::wstring* name) {
    const DWORD characters =
        ::CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
    // One character is only the terminating null: no name.
    if (characters <= 1) {
        return false;
    }
    std::wstring text(characters, L'\0');
    if (::CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, &text[0],
                             characters) != characters) {
        return false;
    }
    text.resize(characters - 1);
    *name = std::move(text);
    return true;
}

// WinVerifyTrust on the file at path, read through file when one is given.
bool VerifySignature(const std::wstring& path, HANDLE file_handle) {
    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = path.c_str();
    file.hFile = file_handle;
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_IGNORE;
    data.dwProvFlags = WTD_REVOCATION_CHECK_NONE;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    // INVALID_HANDLE_VALUE as the window: no user interface at all.
    return ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data) == 0;
}

bool IsSignedByMaker(const std::wstring& path) {
    for (const wchar_t* signer : kTrustedSigners) {
        if (IsSignedBy(path, signer)) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool IsTrustedFile(const std::wstring& path) {
    return ::PathFileExistsW(path.c_str()) && VerifyFileSignature(path) && IsSignedByMaker(path);
}

bool HoldTrustedFile(const std::wstring& path, UniqueFileHandle* held) {
    UniqueFileHandle file;
    if (path.empty() || !OpenHeldFile(path, &file) || !VerifySignature(path, file.Get()) ||
        !IsSignedByMaker(path)) {
        return false;
    }
    *held = std::move(file);
    return true;
}

bool VerifyFileSignature(const std::wstring& path) {
    return !path.empty() && VerifySignature(path, nullptr);
}

bool IsSignedBy(const std::wstring& path, const wchar_t* signer_name) {
    if (path.empty() || signer_name == nullptr) {
        return false;
    }
    HCERTSTORE store = nullptr;
    HCRYPTMSG message = nullptr;
    DWORD encoding = 0;
    DWORD content = 0;
    DWORD format = 0;
    const BOOL queried = ::CryptQueryObject(
        CERT_QUERY_OBJECT_FILE, path.c_str(), CERT_QUERY_CONTENT_FLAG_ALL,
        CERT_QUERY_FORMAT_FLAG_ALL, 0, &encoding, &content, &format, &store, &message, nullptr);
    UniqueCertStore store_owner(store);
    UniqueCryptMessage message_owner(message);
    if (!queried || !store_owner || !message_owner) {
        return false;
    }
    UniqueCertificate certificate = FindFirstSignerCertificate(store, message);
    std::wstring name;
    if (!certificate || !GetSimpleDisplayName(certificate.Get(), &name)) {
        return false;
    }
    // Ordinal and over the whole name: a linguistic comparison (lstrcmpW)
    // skips characters without weight, and a C-string one stops at an
    // embedded null, either of which would let another name pass.
    return name == signer_name;
}

}  // namespace zu
