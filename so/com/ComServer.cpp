// The in-process server entry points of libVornikSO.so.
#include "ServiceObject.h"
#include "TypeLibrary.h"
#include "platform/CodePages.h"
#include "platform/Com.h"

#include <dlfcn.h>

#include <string>

using namespace vornik::platform;
using namespace vornik::so;

namespace {

const char16_t kProxyStub[] = u"{00020424-0000-0000-C000-000000000046}";

std::u16string u16(const std::string& s) { return utf8ToUtf16(s); }

// The full path of this library.
std::u16string modulePath() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&modulePath), &info) || !info.dli_fname) return {};
    char resolved[4096];
    const char* path = ::realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
    return u16(path);
}

const ClassEntry* classTable[] = {&PrinterClass(), &CashDrawerClass()};

HRESULT registerClass(const ClassEntry& c, const std::u16string& module) {
    const std::u16string clsid = u16(c.clsid.toString());
    const std::u16string clsidKey = u"CLSID\\" + clsid;
    const std::u16string libId = u16(kLibId.toString());
    // The class's own key is made afresh.
    if (HRESULT hr = deleteClassesRootTree(clsidKey); FAILED(hr)) return hr;
    const struct {
        std::u16string key, name, value;
    } values[] = {
        {c.progId, u"", c.description},
        {std::u16string(c.progId) + u"\\CLSID", u"", clsid},
        {c.versionIndependentProgId, u"", c.description},
        {std::u16string(c.versionIndependentProgId) + u"\\CLSID", u"", clsid},
        {std::u16string(c.versionIndependentProgId) + u"\\CurVer", u"", c.progId},
        {clsidKey, u"", c.description},
        {clsidKey + u"\\ProgID", u"", c.progId},
        {clsidKey + u"\\VersionIndependentProgID", u"", c.versionIndependentProgId},
        {clsidKey + u"\\Programmable", u"", u""},
        {clsidKey + u"\\InprocServer32", u"", module},
        {clsidKey + u"\\InprocServer32", u"ThreadingModel", u"Apartment"},
        {clsidKey + u"\\TypeLib", u"", libId},
    };
    for (const auto& v : values)
        if (HRESULT hr = setClassesRootString(v.key, v.name, v.value); FAILED(hr)) return hr;
    return S_OK;
}

HRESULT registerTypeLibrary(const std::u16string& module) {
    const std::u16string libKey = u"TypeLib\\" + u16(kLibId.toString()) + u"\\1.0";
    std::u16string dir = module.substr(0, module.rfind(u'/'));
    const struct {
        std::u16string key, name, value;
    } values[] = {
        {libKey, u"", kTypeLibraryHelp},
        {libKey + u"\\0\\win32", u"", module},
        {libKey + u"\\FLAGS", u"", u"0"},
        {libKey + u"\\HELPDIR", u"", dir},
    };
    for (const auto& v : values)
        if (FAILED(setClassesRootString(v.key, v.name, v.value))) return SELFREG_E_TYPELIB;
    for (const ClassEntry* c : classTable) {
        const std::u16string key = u"Interface\\" + u16(c->dispatchInterface->iid.toString());
        if (FAILED(setClassesRootString(key, u"", c->dispatchInterface->name)) ||
            FAILED(setClassesRootString(key + u"\\ProxyStubClsid32", u"", kProxyStub)) ||
            FAILED(setClassesRootString(key + u"\\TypeLib", u"", u16(kLibId.toString()))))
            return SELFREG_E_TYPELIB;
    }
    return S_OK;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) HRESULT DllRegisterServer() {
    const std::u16string module = modulePath();
    if (module.empty()) return SELFREG_E_CLASS;
    for (const ClassEntry* c : classTable)
        if (HRESULT hr = registerClass(*c, module); FAILED(hr)) return hr;
    return registerTypeLibrary(module);
}

__attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
    HRESULT result = S_OK;
    for (const ClassEntry* c : classTable) {
        for (const std::u16string& key : {u"CLSID\\" + u16(c->clsid.toString()), std::u16string(c->progId),
                                         std::u16string(c->versionIndependentProgId),
                                         u"Interface\\" + u16(c->dispatchInterface->iid.toString())})
            if (HRESULT hr = deleteClassesRootTree(key); FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    if (HRESULT hr = deleteClassesRootTree(u"TypeLib\\" + u16(kLibId.toString())); FAILED(hr) && SUCCEEDED(result))
        result = hr;
    return result;
}

__attribute__((visibility("default"))) HRESULT DllGetClassObject(const CLSID& clsid, const IID& iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    ClassFactory::Creator creator;
    if (clsid == PrinterClass().clsid) creator = CreatePrinterServiceObject;
    else if (clsid == CashDrawerClass().clsid) creator = CreateCashDrawerServiceObject;
    else return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new ClassFactory(std::move(creator));
    const HRESULT hr = factory->QueryInterface(iid, object);
    factory->Release();
    return hr;
}

__attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
    return ComObjectBase::liveObjects().load() + ComObjectBase::serverLocks().load() == 0 ? S_OK : S_FALSE;
}

}  // extern "C"
