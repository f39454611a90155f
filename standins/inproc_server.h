#pragma once

#include <windows.h>
#include <oaidl.h>

#include <type_traits>

#include "standins/standin_common.h"

namespace zu::standin {

// Plumbing of the stand-ins that the launcher loads into its own process
// rather than starts: in-process COM servers and plain libraries. They take
// their behaviour section and journal name from the DLL's file name as it was
// loaded.

// The stand-in of this DLL. The first call after the DLL is loaded journals a
// start line (path and arguments are those of the process that loaded it).
const Standin& LoadedStandin();

// Objects alive in this DLL, for DllCanUnloadNow.
void ObjectCreated();
void ObjectDestroyed();
HRESULT CanUnloadNow();

// Reference counting and QueryInterface for an object that implements one
// interface (and IDispatch when the interface derives from it). Objects are
// created with new and one reference.
template <typename Interface>
class ComObject : public Interface {
  public:
    explicit ComObject(const IID& iid) : iid_(iid) { ObjectCreated(); }
    virtual ~ComObject() { ObjectDestroyed(); }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (::IsEqualIID(iid, IID_IUnknown) || ::IsEqualIID(iid, iid_) ||
            (std::is_base_of_v<IDispatch, Interface> && ::IsEqualIID(iid, IID_IDispatch))) {
            *object = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = ::InterlockedDecrement(&references_);
        if (left == 0) {
            delete this;
        }
        return left;
    }

  private:
    const IID iid_;
    LONG references_ = 1;
};

// A ComObject of an automation interface; the launcher never calls IDispatch.
template <typename Interface>
class DispatchObject : public ComObject<Interface> {
  public:
    using ComObject<Interface>::ComObject;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE
    Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
};

// Makes a new object and hands it out as iid (DllGetClassObject's class
// objects call it for CreateInstance).
using CreateFunction = HRESULT (*)(REFIID iid, void** object);

template <typename Object>
HRESULT CreateObject(REFIID iid, void** object) {
    Object* created = new Object();
    const HRESULT result = created->QueryInterface(iid, object);
    created->Release();
    return result;
}

// The class object of one class, asked for iid, whose instances come from create.
HRESULT GetClassObject(CreateFunction create, REFIID iid, void** object);

}  // namespace zu::standin
