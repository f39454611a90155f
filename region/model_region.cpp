#include "region/model_region.h"

#include <windows.h>
#include <wbemidl.h>

#include <cwchar>
#include <cwctype>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/file_operations.h"
#include "platform/scoped_bstr.h"
#include "platform/scoped_com.h"
#include "platform/scoped_handle.h"

namespace zu {
namespace {

constexpr wchar_t kModelListFile[] = L"ModelName.txt";
constexpr DWORD kMaxModelListBytes = 1024 * 1024;

// A VARIANT that is cleared when it goes out of scope.
class ScopedVariant {
  public:
    ScopedVariant() { ::VariantInit(&value_); }
    ~ScopedVariant() { ::VariantClear(&value_); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;

    VARIANT* Get() { return &value_; }

  private:
    VARIANT value_;
};

bool ConnectToCimv2(ComPtr<IWbemServices>* services) {
    ComPtr<IWbemLocator> locator;
    if (FAILED(::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_ALL, IID_IWbemLocator,
                                  locator.ReceiveVoid()))) {
        return false;
    }
    ScopedBstr path(::SysAllocString(L"\\\\.\\root\\cimv2"));
    if (!path || FAILED(locator->ConnectServer(path.Get(), nullptr, nullptr, nullptr, 0, nullptr,
                                               nullptr, services->Receive()))) {
        return false;
    }
    return SUCCEEDED(::CoSetProxyBlanket(services->Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE,
                                         nullptr, RPC_C_AUTHN_LEVEL_CALL,
                                         RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE));
}

// The first instance of Win32_ComputerSystemProduct.
bool QueryFirstProduct(IWbemServices* services, ComPtr<IWbemClassObject>* product) {
    ScopedBstr language(::SysAllocString(L"WQL"));
    ScopedBstr query(::SysAllocString(L"Select * From Win32_ComputerSystemProduct"));
    if (!language || !query) {
        return false;
    }
    ComPtr<IEnumWbemClassObject> products;
    if (FAILED(services->ExecQuery(language.Get(), query.Get(),
                                   WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                   products.Receive()))) {
        return false;
    }
    ULONG returned = 0;
    return products->Next(WBEM_INFINITE, 1, product->Receive(), &returned) == WBEM_S_NO_ERROR &&
           returned == 1;
}

std::wstring Trimmed(const std::wstring& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::iswspace(text[begin])) {
        ++begin;
    }
    while (end > begin && std::iswspace(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

// The model name as WMI gives it, on the calling thread, without a time limit.
bool QueryModelName(std::wstring* name) {
    ScopedComApartment com;
    if (!com.IsUsable()) {
        return false;
    }
    ComPtr<IWbemServices> services;
    ComPtr<IWbemClassObject> product;
    if (!ConnectToCimv2(&services) || !QueryFirstProduct(services.Get(), &product)) {
        return false;
    }
    ScopedVariant value;
    if (FAILED(product->Get(L"Name", 0, value.Get(), nullptr, nullptr)) ||
        FAILED(::VariantChangeType(value.Get(), value.Get(), 0, VT_BSTR))) {
        return false;
    }
    const BSTR text = value.Get()->bstrVal;
    name->assign(text != nullptr ? text : L"", text != nullptr ? ::SysStringLen(text) : 0);
    return true;
}

// What the query thread and its caller share, freed by whichever lets go last:
// a caller that stops waiting leaves it to a thread still stuck in WMI.
struct ModelQuery {
    LONG references = 2;
    bool found = false;
    std::wstring name;
};

void Release(ModelQuery* query) {
    if (::InterlockedDecrement(&query->references) == 0) {
        delete query;
    }
}

DWORD WINAPI RunModelQuery(void* parameter) {
    auto* query = static_cast<ModelQuery*>(parameter);
    query->found = QueryModelName(&query->name);
    Release(query);
    return 0;
}

}  // namespace

bool GetModelName(std::wstring* name, DWORD time_limit_ms) {
    auto* query = new ModelQuery();
    UniqueHandle thread(::CreateThread(nullptr, 0, RunModelQuery, query, 0, nullptr));
    if (!thread) {
        delete query;
        return false;
    }
    // The thread's end makes its results visible here; a thread that is still
    // in WMI keeps running on its own and ends when WMI lets it go.
    const bool answered = ::WaitForSingleObject(thread.Get(), time_limit_ms) == WAIT_OBJECT_0;
    const bool found = answered && query->found;
    if (found) {
        *name = query->name;
    }
    Release(query);
    return found;
}

bool ReadModelNameList(std::wstring* text) {
    std::wstring path;
    if (!PathBesideLauncher(kModelListFile, &path)) {
        return false;
    }
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart > kMaxModelListBytes) {
        return false;
    }
    const DWORD bytes = static_cast<DWORD>(size.QuadPart);
    // Zeroed, with room for a closing NUL after the last (possibly odd) byte.
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 2, L'\0');
    DWORD read = 0;
    if (!::ReadFile(file.Get(), buffer.data(), bytes, &read, nullptr)) {
        return false;
    }
    text->assign(buffer.data());
    return true;
}

bool IsModelInList(const std::wstring& model_name, const std::wstring& list) {
    if (model_name.empty()) {
        return false;
    }
    size_t begin = 0;
    while (begin <= list.size()) {
        size_t end = list.find(L',', begin);
        if (end == std::wstring::npos) {
            end = list.size();
        }
        const std::wstring name = Trimmed(list.substr(begin, end - begin));
        if (!name.empty() && _wcsicmp(name.c_str(), model_name.c_str()) == 0) {
            return true;
        }
        begin = end + 1;
    }
    return false;
}

bool IsListedModel() {
    std::wstring model_name;
    GetModelName(&model_name);
    std::wstring list;
    return ReadModelNameList(&list) && IsModelInList(model_name, list);
}

}  // namespace zu
