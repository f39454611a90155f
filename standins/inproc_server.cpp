#include "standins/inproc_server.h"

#include <string>

namespace zu::standin {
namespace {

LONG g_objects = 0;

std::wstring ThisDllFileName() {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<const wchar_t*>(&ThisDllFileName), &module);
    wchar_t path[MAX_PATH * 2] = {};
    ::GetModuleFileNameW(module, path, MAX_PATH * 2);
    return FileNameOf(path);
}

class ClassFactory : public ComObject<IClassFactory> {
  public:
    explicit ClassFactory(CreateFunction create)
        : ComObject<IClassFactory>(IID_IClassFactory), create_(create) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        return outer != nullptr ? CLASS_E_NOAGGREGATION : create_(iid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        lock ? ObjectCreated() : ObjectDestroyed();
        return S_OK;
    }

  private:
    CreateFunction create_;
};

}  // namespace

const Standin& LoadedStandin() {
    static const Standin standin(ThisDllFileName());
    return standin;
}

void ObjectCreated() {
    ::InterlockedIncrement(&g_objects);
}

void ObjectDestroyed() {
    ::InterlockedDecrement(&g_objects);
}

HRESULT CanUnloadNow() {
    return g_objects == 0 ? S_OK : S_FALSE;
}

HRESULT GetClassObject(CreateFunction create, REFIID iid, void** object) {
    ClassFactory* factory = new ClassFactory(create);
    const HRESULT result = factory->QueryInterface(iid, object);
    factory->Release();
    return result;
}

}  // namespace zu::standin
