#include "platform/file_trust.h"

#include <windows.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include "platform/file_operations.h"
#include "platform/held_file.h"
#include "platform/runtime_function.h"
#include "platform/scoped_handle.h"

namespace zu {

namespace {

// The maker signs under these names.
constexpr const wchar_t* kTrustedSigners[] = {
    L"Koru Corporation",
    L"Koru Corporation of America",
};

// wintrust and crypt32 come from the system folder on first use (never from
// the launcher's folder) and stay loaded. A DLL or function that cannot be
// loaded leaves its pointer null: the check that needs it fails.
struct TrustFunctions {
    decltype(&::WinVerifyTrust) verify_trust;
    decltype(&::CryptQueryObject) query_object;
    decltype(&::CryptMsgGetParam) message_get_param;
    decltype(&::CryptMsgClose) message_close;
    decltype(&::CertFindCertificateInStore) find_certificate;
    decltype(&::CertGetNameStringW) get_name_string;
    decltype(&::CertFreeCertificateContext) free_certificate;
    decltype(&::CertCloseStore) close_store;
};

TrustFunctions LoadTrustFunctions() {
    static const SystemLibrary wintrust(L"wintrust.dll");
    static const SystemLibrary crypt32(L"crypt32.dll");
    TrustFunctions functions;
    functions.verify_trust = wintrust.Find<decltype(&::WinVerifyTrust)>("WinVerifyTrust");
    functions.query_object = crypt32.Find<decltype(&::CryptQueryObject)>("CryptQueryObject");
    functions.message_get_param = crypt32.Find<decltype(&::CryptMsgGetParam)>("CryptMsgGetParam");
    functions.message_close = crypt32.Find<decltype(&::CryptMsgClose)>("CryptMsgClose");
    functions.find_certificate =
        crypt32.Find<decltype(&::CertFindCertificateInStore)>("CertFindCertificateInStore");
    functions.get_name_string = crypt32.Find<decltype(&::CertGetNameStringW)>("CertGetNameStringW");
    functions.free_certificate =
        crypt32.Find<decltype(&::CertFreeCertificateContext)>("CertFreeCertificateContext");
    functions.close_store = crypt32.Find<decltype(&::CertCloseStore)>("CertCloseStore");
    return functions;
}

const TrustFunctions& Trust() {
    static const TrustFunctions functions = LoadTrustFunctions();
    return functions;
}

bool HasCryptFunctions(const TrustFunctions& f) {
    return f.query_object && f.message_get_param && f.message_close && f.find_certificate &&
           f.get_name_string && f.free_certificate && f.close_store;
}

// The handles below exist only when crypt32 loaded with all its functions.
struct CertStoreTraits {
    using Handle = HCERTSTORE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { Trust().close_store(h, 0); }
};

struct CryptMessageTraits {
    using Handle = HCRYPTMSG;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { Trust().message_close(h); }
};

struct CertificateTraits {
    using Handle = PCCERT_CONTEXT;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { Trust().free_certificate(h); }
};

using UniqueCertStore = ScopedHandle<CertStoreTraits>;
using UniqueCryptMessage = ScopedHandle<CryptMessageTraits>;
using UniqueCertificate = ScopedHandle<CertificateTraits>;

// The certificate of the message's first signer, from the store that came
// with it. Empty on failure.
UniqueCertificate FindFirstSignerCertificate(HCERTSTORE store, HCRYPTMSG message) {
    DWORD bytes = 0;
    if (!Trust().message_get_param(message, CMSG_SIGNER_INFO_PARAM, 0, nullptr, &bytes) ||
        bytes == 0) {
        return UniqueCertificate();
    }
    UniqueLocalMemory signer_block(::LocalAlloc(LPTR, bytes));
    if (!signer_block || !Trust().message_get_param(message, CMSG_SIGNER_INFO_PARAM, 0,
                                                    signer_block.Get(), &bytes)) {
        return UniqueCertificate();
    }
    const auto* signer = static_cast<const CMSG_SIGNER_INFO*>(signer_block.Get());
    CERT_INFO wanted = {};
    wanted.Issuer = signer->Issuer;
    wanted.SerialNumber = signer->SerialNumber;
    return UniqueCertificate(Trust().find_certificate(store,
                                                      X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0,
                                                      CERT_FIND_SUBJECT_CERT, &wanted, nullptr));
}

// The certificate's simple display name, with any characters it holds after
// an embedded null. False, name untouched, when there is none.
bool GetSimpleDisplayName(PCCERT_CONTEXT certificate, std::wstring* name) {
    const DWORD characters =
        Trust().get_name_string(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
    // One character is only the terminating null: no name.
    if (characters <= 1) {
        return false;
    }
    std::wstring text(characters, L'\0');
    if (Trust().get_name_string(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, &text[0],
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
    const auto verify_trust = Trust().verify_trust;
    // INVALID_HANDLE_VALUE as the window: no user interface at all.
    return verify_trust != nullptr &&
           verify_trust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data) == 0;
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
    return PathExists(path) && VerifyFileSignature(path) && IsSignedByMaker(path);
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
    if (path.empty() || signer_name == nullptr || !HasCryptFunctions(Trust())) {
        return false;
    }
    HCERTSTORE store = nullptr;
    HCRYPTMSG message = nullptr;
    DWORD encoding = 0;
    DWORD content = 0;
    DWORD format = 0;
    const BOOL queried = Trust().query_object(
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
