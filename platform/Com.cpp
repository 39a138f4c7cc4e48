#include "Com.h"

#include "CodePages.h"
#include "Registry.h"

#include <dlfcn.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

namespace vornik::platform {

// ---------------------------------------------------------------------------
// GUIDs

bool GUID::operator==(const GUID& o) const {
    return Data1 == o.Data1 && Data2 == o.Data2 && Data3 == o.Data3 && std::memcmp(Data4, o.Data4, 8) == 0;
}

bool GUID::parse(std::string_view text, GUID& out) {
    if (text.size() == 38) {
        if (text.front() != '{' || text.back() != '}') return false;
        text = text.substr(1, 36);
    }
    if (text.size() != 36) return false;
    static const int dashes[] = {8, 13, 18, 23};
    for (int d : dashes)
        if (text[d] != '-') return false;
    std::string hex;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23) continue;
        if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
        hex += text[i];
    }
    auto field = [&](std::size_t pos, std::size_t len) {
        return static_cast<std::uint32_t>(std::strtoul(hex.substr(pos, len).c_str(), nullptr, 16));
    };
    GUID g;
    g.Data1 = field(0, 8);
    g.Data2 = static_cast<std::uint16_t>(field(8, 4));
    g.Data3 = static_cast<std::uint16_t>(field(12, 4));
    for (int i = 0; i < 8; ++i) g.Data4[i] = static_cast<std::uint8_t>(field(16 + 2 * i, 2));
    out = g;
    return true;
}

std::string GUID::toString() const {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", Data1, Data2, Data3, Data4[0],
                  Data4[1], Data4[2], Data4[3], Data4[4], Data4[5], Data4[6], Data4[7]);
    return buf;
}

GUID guid(std::string_view text) {
    GUID g;
    if (!GUID::parse(text, g)) std::abort();
    return g;
}

const IID IID_NULL{};
const IID IID_IUnknown = guid("{00000000-0000-0000-C000-000000000046}");
const IID IID_IDispatch = guid("{00020400-0000-0000-C000-000000000046}");
const IID IID_IClassFactory = guid("{00000001-0000-0000-C000-000000000046}");

// ---------------------------------------------------------------------------
// VARIANT

VARIANT VARIANT::I4(std::int32_t v) {
    VARIANT x;
    x.vt = VT_I4;
    x.lVal = v;
    return x;
}
VARIANT VARIANT::Bool(bool v) {
    VARIANT x;
    x.vt = VT_BOOL;
    x.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    return x;
}
VARIANT VARIANT::Bstr(std::u16string v) {
    VARIANT x;
    x.vt = VT_BSTR;
    x.bstrVal = std::move(v);
    return x;
}
VARIANT VARIANT::Dispatch(IDispatch* d) {
    VARIANT x;
    x.vt = VT_DISPATCH;
    x.pdispVal = d;
    return x;
}
VARIANT VARIANT::I4Ref(std::int32_t* p) {
    VARIANT x;
    x.vt = VT_I4 | VT_BYREF;
    x.plVal = p;
    return x;
}
VARIANT VARIANT::BstrRef(std::u16string* p) {
    VARIANT x;
    x.vt = VT_BSTR | VT_BYREF;
    x.pbstrVal = p;
    return x;
}

// ---------------------------------------------------------------------------
// Type tables

namespace {
bool equalNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x - u'A' + u'a');
        if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y - u'A' + u'a');
        if (x != y) return false;
    }
    return true;
}
bool isRetval(ParamKind k) { return k == ParamKind::RetvalI4 || k == ParamKind::RetvalBstr; }
}  // namespace

const MethodInfo* InterfaceInfo::find(DISPID id) const {
    for (const auto& m : methods)
        if (m.id == id) return &m;
    return nullptr;
}

const MethodInfo* InterfaceInfo::find(std::u16string_view name) const {
    for (const auto& m : methods)
        if (equalNoCase(m.name, name)) return &m;
    return nullptr;
}

std::size_t InterfaceInfo::callerArgs(const MethodInfo& m) {
    std::size_t n = 0;
    for (ParamKind k : m.params)
        if (!isRetval(k)) ++n;
    return n;
}

CallArgs::CallArgs(const MethodInfo& method, std::vector<VARIANT>& args) : m_method(method), m_args(args) {}

const VARIANT& CallArgs::arg(std::size_t index) const { return m_args.at(index); }

std::int32_t CallArgs::i4(std::size_t index) const {
    const VARIANT& v = arg(index);
    return v.vt == VT_BOOL ? (v.boolVal ? 1 : 0) : v.lVal;
}
bool CallArgs::boolean(std::size_t index) const {
    const VARIANT& v = arg(index);
    return v.vt == VT_BOOL ? v.boolVal != 0 : v.lVal != 0;
}
const std::u16string& CallArgs::bstr(std::size_t index) const { return arg(index).bstrVal; }
IDispatch* CallArgs::dispatch(std::size_t index) const { return arg(index).pdispVal; }
std::int32_t* CallArgs::i4Ref(std::size_t index) const { return arg(index).plVal; }
std::u16string* CallArgs::bstrRef(std::size_t index) const { return arg(index).pbstrVal; }

HRESULT CallArgs::validate() const {
    if (m_args.size() != InterfaceInfo::callerArgs(m_method)) return DISP_E_BADPARAMCOUNT;
    std::size_t i = 0;
    for (ParamKind k : m_method.params) {
        if (isRetval(k)) continue;
        const VARIANT& v = m_args[i++];
        bool ok = false;
        switch (k) {
        case ParamKind::InI4: ok = v.vt == VT_I4 || v.vt == VT_BOOL; break;
        case ParamKind::InBool: ok = v.vt == VT_BOOL || v.vt == VT_I4; break;
        case ParamKind::InBstr: ok = v.vt == VT_BSTR; break;
        case ParamKind::InDispatch: ok = v.vt == VT_DISPATCH || v.vt == VT_EMPTY; break;
        case ParamKind::OutI4:
        case ParamKind::InOutI4: ok = v.vt == (VT_I4 | VT_BYREF); break;
        case ParamKind::InOutBstr: ok = v.vt == (VT_BSTR | VT_BYREF); break;
        default: break;
        }
        if (!ok) return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

void CallArgs::storeResult(VARIANT* result) const {
    if (!result) return;
    for (ParamKind k : m_method.params) {
        if (k == ParamKind::RetvalI4) *result = VARIANT::I4(m_retI4);
        else if (k == ParamKind::RetvalBstr) *result = VARIANT::Bstr(m_retBstr);
    }
}

// ---------------------------------------------------------------------------
// Objects

std::atomic<long>& ComObjectBase::liveObjects() {
    static std::atomic<long> n{0};
    return n;
}
std::atomic<long>& ComObjectBase::serverLocks() {
    static std::atomic<long> n{0};
    return n;
}

DispatchObject::DispatchObject(const InterfaceInfo& info, IUnknown* outer)
    : m_info(info), m_outer(outer), m_inner(this) {
    ComObjectBase::liveObjects().fetch_add(1);
}

DispatchObject::~DispatchObject() { ComObjectBase::liveObjects().fetch_sub(1); }

HRESULT DispatchObject::Inner::QueryInterface(const IID& iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown) {
        *object = this;
        AddRef();
        return S_OK;
    }
    if (iid == IID_IDispatch || iid == m_self->m_info.iid) {
        *object = static_cast<IDispatch*>(m_self);
        m_self->AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG DispatchObject::Inner::AddRef() { return ++m_self->m_refs; }

ULONG DispatchObject::Inner::Release() {
    const ULONG n = --m_self->m_refs;
    if (n == 0) delete m_self;
    return n;
}

HRESULT DispatchObject::QueryInterface(const IID& iid, void** object) {
    if (m_outer) return m_outer->QueryInterface(iid, object);
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown) {  // the identity of a stand-alone object is its inner unknown
        *object = &m_inner;
        m_inner.AddRef();
        return S_OK;
    }
    return m_inner.QueryInterface(iid, object);
}

ULONG DispatchObject::AddRef() { return m_outer ? m_outer->AddRef() : m_inner.AddRef(); }
ULONG DispatchObject::Release() { return m_outer ? m_outer->Release() : m_inner.Release(); }

HRESULT DispatchObject::GetIDsOfNames(const IID&, const std::u16string* names, unsigned count, std::uint32_t,
                                      DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    HRESULT hr = S_OK;
    for (unsigned i = 0; i < count; ++i) {
        const MethodInfo* m = i == 0 ? m_info.find(names[i]) : nullptr;  // no named parameters
        ids[i] = m ? m->id : DISPID_UNKNOWN;
        if (!m) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT DispatchObject::Invoke(DISPID id, const IID&, std::uint32_t, std::uint16_t, std::vector<VARIANT>& args,
                               VARIANT* result) {
    const MethodInfo* m = m_info.find(id);
    if (!m) return DISP_E_MEMBERNOTFOUND;
    CallArgs call(*m, args);
    if (HRESULT hr = call.validate(); FAILED(hr)) return hr;
    HRESULT hr;
    try {
        hr = this->call(id, call);
    } catch (...) {
        return DISP_E_EXCEPTION;
    }
    if (SUCCEEDED(hr)) call.storeResult(result);
    return hr;
}

HRESULT ClassFactory::QueryInterface(const IID& iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG ClassFactory::AddRef() { return ++m_refs; }
ULONG ClassFactory::Release() {
    const ULONG n = --m_refs;
    if (n == 0) delete this;
    return n;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, const IID& iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;  // an aggregate hands out its inner unknown only
    DispatchObject* obj = nullptr;
    try {
        obj = m_creator(outer);
    } catch (...) {
        return E_FAIL;
    }
    if (!obj) return E_OUTOFMEMORY;
    IUnknown* inner = obj->innerUnknown();
    HRESULT hr = inner->QueryInterface(iid, object);
    inner->Release();  // the creator's reference
    return hr;
}

HRESULT ClassFactory::LockServer(bool lock) {
    if (lock) ComObjectBase::serverLocks().fetch_add(1);
    else ComObjectBase::serverLocks().fetch_sub(1);
    return S_OK;
}

// ---------------------------------------------------------------------------
// Registry

namespace {
std::vector<std::uint8_t> utf16Bytes(std::u16string_view s) {
    std::vector<std::uint8_t> b;
    b.reserve(s.size() * 2);
    for (char16_t c : s) {
        b.push_back(static_cast<std::uint8_t>(c & 0xFF));
        b.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return b;
}
}  // namespace

HRESULT setClassesRootString(std::u16string_view keyPath, std::u16string_view name, std::u16string_view value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath, &key) != ERROR_SUCCESS) return SELFREG_E_CLASS;
    const auto bytes = utf16Bytes(value);
    const LONG rc = RegSetValueExW(key, name, REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

std::u16string getClassesRootString(std::u16string_view keyPath, std::u16string_view name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, keyPath, &key) != ERROR_SUCCESS) return {};
    std::u16string value;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
        value.resize(size / 2);
        if (RegQueryValueExW(key, name, &type, value.data(), &size) != ERROR_SUCCESS) value.clear();
        if (auto nul = value.find(u'\0'); nul != std::u16string::npos) value.resize(nul);
    }
    RegCloseKey(key);
    return value;
}

HRESULT deleteClassesRootTree(std::u16string_view keyPath) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, keyPath, &key) != ERROR_SUCCESS) return S_OK;
    std::vector<std::u16string> children;
    std::u16string child;
    for (DWORD i = 0; RegEnumKeyExW(key, i, &child) == ERROR_SUCCESS; ++i) children.push_back(child);
    RegCloseKey(key);
    for (const auto& c : children) {
        std::u16string sub(keyPath);
        sub += u'\\';
        sub += c;
        if (HRESULT hr = deleteClassesRootTree(sub); FAILED(hr)) return hr;
    }
    return RegDeleteKeyW(HKEY_CLASSES_ROOT, keyPath) == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

HRESULT CLSIDFromProgID(std::u16string_view progId, CLSID& clsid) {
    std::u16string key(progId);
    key += u"\\CLSID";
    const std::u16string text = getClassesRootString(key, u"");
    if (text.empty() || !GUID::parse(utf16ToUtf8(text), clsid)) return REGDB_E_CLASSNOTREG;
    return S_OK;
}

HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, const IID& iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    const std::u16string key = u"CLSID\\" + utf8ToUtf16(clsid.toString()) + u"\\InprocServer32";
    const std::string path = utf16ToUtf8(getClassesRootString(key, u""));
    if (path.empty()) return REGDB_E_CLASSNOTREG;

    // Each server is loaded once and stays loaded for the life of the process.
    static std::mutex lock;
    static std::map<std::string, void*> loaded;
    DllGetClassObjectFn getClassObject = nullptr;
    {
        std::lock_guard<std::mutex> g(lock);
        void*& handle = loaded[path];
        if (!handle) handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            loaded.erase(path);
            return CO_E_DLLNOTFOUND;
        }
        getClassObject = reinterpret_cast<DllGetClassObjectFn>(::dlsym(handle, "DllGetClassObject"));
    }
    if (!getClassObject) return CO_E_ERRORINDLL;
    IClassFactory* factory = nullptr;
    HRESULT hr = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr) || !factory) return FAILED(hr) ? hr : E_FAIL;
    hr = factory->CreateInstance(outer, iid, object);
    factory->Release();
    return hr;
}

HRESULT CoCreateInstanceByProgID(std::u16string_view progId, const IID& iid, void** object) {
    CLSID clsid;
    if (HRESULT hr = CLSIDFromProgID(progId, clsid); FAILED(hr)) {
        if (object) *object = nullptr;
        return hr;
    }
    return CoCreateInstance(clsid, nullptr, iid, object);
}

}  // namespace vornik::platform
