// COM-lite: the part of COM and OLE Automation the OPOS binding needs.
//
//  * GUIDs (parse, format, compare), HRESULTs;
//  * reference-counted objects with QueryInterface (IUnknown), IDispatch with
//    GetIDsOfNames and Invoke over a small VARIANT (I4, BOOL, BSTR as UTF-16,
//    DISPATCH, and I4 / BSTR by reference), IClassFactory;
//  * a type-library table (member names, ids, parameter kinds) from which a
//    dispatch implementation answers both GetIDsOfNames and Invoke;
//  * creation by ProgID as COM does it: HKCR\<ProgID>\CLSID, then the class key
//    HKCR\CLSID\{clsid}\InprocServer32, dlopen, DllGetClassObject, class factory.
//
// Differences from COM that callers see: Invoke takes its arguments in call
// order (first argument first), not reversed; named arguments are not
// supported; BSTRs are std::u16string values.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vornik::platform {

using HRESULT = std::int32_t;
using DISPID = std::int32_t;
using ULONG = std::uint32_t;

enum : HRESULT {
    S_OK = 0,
    S_FALSE = 1,
    E_NOTIMPL = static_cast<HRESULT>(0x80004001),
    E_NOINTERFACE = static_cast<HRESULT>(0x80004002),
    E_POINTER = static_cast<HRESULT>(0x80004003),
    E_FAIL = static_cast<HRESULT>(0x80004005),
    E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E),
    E_INVALIDARG = static_cast<HRESULT>(0x80070057),
    DISP_E_UNKNOWNINTERFACE = static_cast<HRESULT>(0x80020001),
    DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003),
    DISP_E_PARAMNOTFOUND = static_cast<HRESULT>(0x80020004),
    DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005),
    DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006),
    DISP_E_NONAMEDARGS = static_cast<HRESULT>(0x80020007),
    DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009),
    DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000E),
    CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110),
    CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111),
    REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154),
    CO_E_DLLNOTFOUND = static_cast<HRESULT>(0x800401F8),
    CO_E_ERRORINDLL = static_cast<HRESULT>(0x800401F9),
    SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201),
    SELFREG_E_TYPELIB = static_cast<HRESULT>(0x80040200),
};

inline bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline bool FAILED(HRESULT hr) { return hr < 0; }

// ---------------------------------------------------------------------------
struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::uint8_t Data4[8] = {};

    bool operator==(const GUID& o) const;
    bool operator!=(const GUID& o) const { return !(*this == o); }

    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces optional, any case).
    static bool parse(std::string_view text, GUID& out);
    // Upper case, with braces.
    std::string toString() const;
};
using IID = GUID;
using CLSID = GUID;

// A GUID from a literal known to be well formed (aborts otherwise).
GUID guid(std::string_view text);

extern const IID IID_NULL;
extern const IID IID_IUnknown;
extern const IID IID_IDispatch;
extern const IID IID_IClassFactory;

// ---------------------------------------------------------------------------
class IUnknown {
public:
    virtual HRESULT QueryInterface(const IID& iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

// The small VARIANT.
enum VarType : std::uint16_t {
    VT_EMPTY = 0,
    VT_I4 = 3,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_BOOL = 11,
    VT_BYREF = 0x4000,
};
inline constexpr std::int16_t VARIANT_TRUE = -1;
inline constexpr std::int16_t VARIANT_FALSE = 0;

class IDispatch;

struct VARIANT {
    std::uint16_t vt = VT_EMPTY;
    std::int32_t lVal = 0;              // VT_I4
    std::int16_t boolVal = 0;           // VT_BOOL
    std::u16string bstrVal;             // VT_BSTR
    IDispatch* pdispVal = nullptr;      // VT_DISPATCH (not owned by the variant)
    std::int32_t* plVal = nullptr;      // VT_I4 | VT_BYREF
    std::u16string* pbstrVal = nullptr; // VT_BSTR | VT_BYREF

    static VARIANT I4(std::int32_t v);
    static VARIANT Bool(bool v);
    static VARIANT Bstr(std::u16string v);
    static VARIANT Dispatch(IDispatch* d);
    static VARIANT I4Ref(std::int32_t* p);
    static VARIANT BstrRef(std::u16string* p);
};

enum : std::uint16_t { DISPATCH_METHOD = 1, DISPATCH_PROPERTYGET = 2, DISPATCH_PROPERTYPUT = 4 };
inline constexpr DISPID DISPID_UNKNOWN = -1;

class IDispatch : public IUnknown {
public:
    // Ids of the names (case-insensitive); DISP_E_UNKNOWNNAME when one is unknown.
    virtual HRESULT GetIDsOfNames(const IID& iid, const std::u16string* names, unsigned count, std::uint32_t lcid,
                                  DISPID* ids) = 0;
    // Calls member id with args in call order; result receives the retval.
    virtual HRESULT Invoke(DISPID id, const IID& iid, std::uint32_t lcid, std::uint16_t flags,
                           std::vector<VARIANT>& args, VARIANT* result) = 0;
};

class IClassFactory : public IUnknown {
public:
    virtual HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) = 0;
    virtual HRESULT LockServer(bool lock) = 0;
};

// ---------------------------------------------------------------------------
// Type library tables.

enum class ParamKind {
    InI4,          // long
    InBool,        // BOOL
    InBstr,        // BSTR
    InDispatch,    // IDispatch*
    OutI4,         // long* (out)
    InOutI4,       // long* (in, out)
    InOutBstr,     // BSTR* (in, out)
    RetvalI4,      // long* (out, retval)
    RetvalBstr,    // BSTR* (out, retval)
};

struct MethodInfo {
    DISPID id;
    const char16_t* name;
    std::vector<ParamKind> params;
};

struct InterfaceInfo {
    const char16_t* name;
    IID iid;
    const char16_t* helpString;
    std::vector<MethodInfo> methods;

    const MethodInfo* find(DISPID id) const;
    const MethodInfo* find(std::u16string_view name) const;  // case-insensitive
    // The number of arguments a caller passes (retval parameters excluded).
    static std::size_t callerArgs(const MethodInfo& m);
};

// The arguments of one call, typed by the member's table entry. Out and
// in-out parameters write through to the caller's variants; the retval goes
// to result().
class CallArgs {
public:
    CallArgs(const MethodInfo& method, std::vector<VARIANT>& args);
    std::int32_t i4(std::size_t index) const;
    bool boolean(std::size_t index) const;
    const std::u16string& bstr(std::size_t index) const;
    IDispatch* dispatch(std::size_t index) const;
    // Out and in-out parameters (null when the caller passed none).
    std::int32_t* i4Ref(std::size_t index) const;
    std::u16string* bstrRef(std::size_t index) const;
    // The retval.
    std::int32_t* retvalI4() { return &m_retI4; }
    std::u16string* retvalBstr() { return &m_retBstr; }
    // Checks the caller's arguments against the table: S_OK or a DISP_E code.
    HRESULT validate() const;
    void storeResult(VARIANT* result) const;
    const MethodInfo& method() const { return m_method; }

private:
    const VARIANT& arg(std::size_t index) const;
    const MethodInfo& m_method;
    std::vector<VARIANT>& m_args;
    std::int32_t m_retI4 = 0;
    std::u16string m_retBstr;
};

// ---------------------------------------------------------------------------
// Base classes for objects.

// Reference counting and QueryInterface over a fixed list of interfaces, with
// aggregation: when created with an outer object, the object's interfaces
// delegate their IUnknown to the outer one and the outer holds the inner
// (non-delegating) IUnknown. Live objects are counted process-wide (per
// library that uses this code) for DllCanUnloadNow.
class ComObjectBase {
public:
    static std::atomic<long>& liveObjects();
    static std::atomic<long>& serverLocks();
};

// A dispatch object answered from one interface table: subclasses implement
// call() for the members and get GetIDsOfNames/Invoke for free.
class DispatchObject : public IDispatch {
public:
    explicit DispatchObject(const InterfaceInfo& info, IUnknown* outer = nullptr);

    HRESULT QueryInterface(const IID& iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetIDsOfNames(const IID& iid, const std::u16string* names, unsigned count, std::uint32_t lcid,
                          DISPID* ids) override;
    HRESULT Invoke(DISPID id, const IID& iid, std::uint32_t lcid, std::uint16_t flags, std::vector<VARIANT>& args,
                   VARIANT* result) override;

    // The non-delegating IUnknown (what an outer object holds).
    IUnknown* innerUnknown() { return &m_inner; }
    const InterfaceInfo& info() const { return m_info; }

protected:
    ~DispatchObject() override;
    // Runs one member; an exception out of it becomes DISP_E_EXCEPTION.
    virtual HRESULT call(DISPID id, CallArgs& args) = 0;

private:
    class Inner : public IUnknown {
    public:
        explicit Inner(DispatchObject* self) : m_self(self) {}
        HRESULT QueryInterface(const IID& iid, void** object) override;
        ULONG AddRef() override;
        ULONG Release() override;

    private:
        DispatchObject* m_self;
    };

    const InterfaceInfo& m_info;
    IUnknown* m_outer;
    Inner m_inner;
    std::atomic<ULONG> m_refs{1};
};

// A class factory that makes objects with a creator function.
class ClassFactory : public IClassFactory {
public:
    // creator(outer) returns a new object holding one reference (its inner
    // IUnknown when outer is given), or null.
    using Creator = std::function<DispatchObject*(IUnknown* outer)>;
    explicit ClassFactory(Creator creator) : m_creator(std::move(creator)) {}

    HRESULT QueryInterface(const IID& iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) override;
    HRESULT LockServer(bool lock) override;

private:
    Creator m_creator;
    std::atomic<ULONG> m_refs{1};
};

// ---------------------------------------------------------------------------
// Creation through the registry.

// HKCR\<progId>\CLSID default value.
HRESULT CLSIDFromProgID(std::u16string_view progId, CLSID& clsid);
// Creates an object of a registered class: looks up its InprocServer32,
// loads the library once per process and asks its DllGetClassObject.
HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, const IID& iid, void** object);
HRESULT CoCreateInstanceByProgID(std::u16string_view progId, const IID& iid, void** object);

// Signatures of the in-process server exports.
using DllGetClassObjectFn = HRESULT (*)(const CLSID&, const IID&, void**);
using DllCanUnloadNowFn = HRESULT (*)();
using DllRegisterServerFn = HRESULT (*)();

// Writes a REG_SZ value (UTF-16, without a NUL, as the configuration tool
// writes) under HKCR\<keyPath>; name "" is the default value.
HRESULT setClassesRootString(std::u16string_view keyPath, std::u16string_view name, std::u16string_view value);
// Reads one; empty when it is missing.
std::u16string getClassesRootString(std::u16string_view keyPath, std::u16string_view name);
// Deletes a key of HKCR with everything below it; a missing key is fine.
HRESULT deleteClassesRootTree(std::u16string_view keyPath);

}  // namespace vornik::platform
