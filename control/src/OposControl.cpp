#include "vornik/OposControl.h"

#include "platform/CodePages.h"
#include "platform/Com.h"
#include "platform/Registry.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstring>

namespace vornik::opos {

using namespace platform;

namespace {

const char16_t kServiceOpos[] = u"SOFTWARE\\OLEforRetail\\ServiceOPOS\\";

// The ProgID stored as the default value of the LDN's key; empty when none.
std::u16string progIdOf(const std::u16string& deviceClass, const std::u16string& ldn) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kServiceOpos + deviceClass + u"\\" + ldn, &key) != ERROR_SUCCESS) return {};
    std::u16string value;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, u"", &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ && size >= 2) {
        value.resize(size / 2);
        if (RegQueryValueExW(key, u"", &type, value.data(), &size) != ERROR_SUCCESS) value.clear();
        if (auto nul = value.find(u'\0'); nul != std::u16string::npos) value.resize(nul);
    }
    RegCloseKey(key);
    return value;
}

VARIANT toVariant(ArgValue& a) {
    switch (a.type) {
    case ArgValue::I4: return VARIANT::I4(a.i4);
    case ArgValue::Bool: return VARIANT::Bool(a.i4 != 0);
    case ArgValue::Bstr: return VARIANT::Bstr(a.bstr);
    case ArgValue::I4Ref: return VARIANT::I4Ref(a.i4Ref);
    case ArgValue::BstrRef: return VARIANT::BstrRef(a.bstrRef);
    }
    return VARIANT{};
}

// Member kinds of the control's own dispatch interface.
enum class Kind { Method, NumberProperty, BoolProperty, StringProperty };

// Printer control members by dispatch id: properties map to a property index.
struct PropertyMember {
    DISPID id;
    Kind kind;
    int pidx;
};

const PropertyMember kPrinterProperties[] = {
    {11, Kind::NumberProperty, PIDX_BinaryConversion}, {13, Kind::StringProperty, PIDX_CheckHealthText},
    {17, Kind::BoolProperty, PIDX_DeviceEnabled},      {22, Kind::NumberProperty, PIDX_ResultCode},
    {23, Kind::NumberProperty, PIDX_ResultCodeExtended}, {24, Kind::NumberProperty, PIDX_State},
    {50, Kind::BoolProperty, 8001},  // AsyncMode
    {51, Kind::NumberProperty, 8548},  // CapCharacterSet
    {67, Kind::BoolProperty, 8516},  {68, Kind::BoolProperty, 8517},  {69, Kind::BoolProperty, 8518},
    {70, Kind::BoolProperty, 8519},  {71, Kind::BoolProperty, 8520},  {72, Kind::BoolProperty, 8521},
    {73, Kind::BoolProperty, 8522},  {74, Kind::BoolProperty, 8523},  {75, Kind::BoolProperty, 8524},
    {76, Kind::BoolProperty, 8525},  {77, Kind::BoolProperty, 8526},  {78, Kind::BoolProperty, 8527},
    {79, Kind::BoolProperty, 8528},  {80, Kind::BoolProperty, 8529},  {81, Kind::BoolProperty, 8530},
    {82, Kind::BoolProperty, 8531},  {195, Kind::BoolProperty, 8560},
    {100, Kind::NumberProperty, 8002},  // CharacterSet
    {116, Kind::NumberProperty, 8013},  // MapMode
    {122, Kind::NumberProperty, 8017},  // RecLineHeight
    {123, Kind::NumberProperty, 8018},  // RecLineSpacing
    {124, Kind::NumberProperty, 8019},  // RecLinesToPaperCut
    {125, Kind::NumberProperty, 8020},  // RecLineWidth
    {145, Kind::NumberProperty, 8551},  // CapRecCartridgeSensor
    {146, Kind::NumberProperty, 8553},  // CapRecColor
    {147, Kind::NumberProperty, 8554},  // CapRecMarkFeed
    {199, Kind::NumberProperty, 8047},  // PageModeHorizontalPosition
    {200, Kind::StringProperty, 1008012},  // PageModePrintArea
    {201, Kind::NumberProperty, 8048},  // PageModePrintDirection
    {203, Kind::NumberProperty, 8050},  // PageModeVerticalPosition
    {204, Kind::NumberProperty, 8562},  // CapRecRuledLine
};

const PropertyMember kDrawerProperties[] = {
    {17, Kind::BoolProperty, PIDX_DeviceEnabled},
    {22, Kind::NumberProperty, PIDX_ResultCode},
    {23, Kind::NumberProperty, PIDX_ResultCodeExtended},
};

// The event methods the service object calls, and the ids they carry here.
struct EventMethod {
    const char16_t* name;
    DISPID id;
    ControlEvent::Kind kind;
};
const EventMethod kEventMethods[] = {
    {u"SOData", 1, ControlEvent::Data},
    {u"SODirectIO", 2, ControlEvent::DirectIO},
    {u"SOError", 3, ControlEvent::Error},
    {u"SOOutputComplete", 4, ControlEvent::OutputComplete},
    {u"SOStatusUpdate", 5, ControlEvent::StatusUpdate},
};

std::int32_t intArg(const std::vector<VARIANT>& args, std::size_t i) {
    if (i >= args.size()) return 0;
    return args[i].vt == VT_BOOL ? (args[i].boolVal ? 1 : 0) : args[i].lVal;
}
std::u16string textArg(const std::vector<VARIANT>& args, std::size_t i) {
    return i < args.size() ? args[i].bstrVal : std::u16string();
}

}  // namespace

// The control's own dispatch interface. It holds no reference on its
// control: the control owns it and outlives it as an object; once the control
// is gone, calls into it fail.
class ControlDispatch final : public IDispatch {
public:
    explicit ControlDispatch(OposControl* owner) : m_owner(owner) {}

    void detach() {
        std::lock_guard<std::mutex> g(m_lock);
        m_owner = nullptr;
    }

    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override {
        const ULONG n = --m_refs;
        if (n == 0) delete this;
        return n;
    }

    HRESULT GetIDsOfNames(const IID&, const std::u16string* names, unsigned count, std::uint32_t, DISPID* ids) override {
        if (!names || !ids) return E_POINTER;
        HRESULT hr = S_OK;
        for (unsigned i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            for (const auto& e : kEventMethods)
                if (i == 0 && names[i] == e.name) ids[i] = e.id;
            if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }

    HRESULT Invoke(DISPID id, const IID&, std::uint32_t, std::uint16_t flags, std::vector<VARIANT>& args,
                   VARIANT* result) override;

private:
    ~ControlDispatch() override = default;
    HRESULT invokeMember(OposControl& c, DISPID id, std::uint16_t flags, std::vector<VARIANT>& args, VARIANT* result);

    std::mutex m_lock;  // guards m_owner against a control being destroyed
    OposControl* m_owner;
    std::atomic<ULONG> m_refs{1};
};

HRESULT ControlDispatch::Invoke(DISPID id, const IID&, std::uint32_t, std::uint16_t flags, std::vector<VARIANT>& args,
                                VARIANT* result) {
    // The event methods may come from any thread: queue and return.
    for (const auto& e : kEventMethods) {
        if (e.id != id || flags != DISPATCH_METHOD) continue;
        std::lock_guard<std::mutex> g(m_lock);
        if (!m_owner) return E_FAIL;
        if (args.size() != 1) return DISP_E_BADPARAMCOUNT;
        m_owner->queueEvent(ControlEvent{e.kind, intArg(args, 0)});
        return S_OK;
    }
    // Members: the application's thread, which also owns the control's life.
    OposControl* owner;
    {
        std::lock_guard<std::mutex> g(m_lock);
        owner = m_owner;
    }
    if (!owner) return E_FAIL;
    return invokeMember(*owner, id, flags, args, result);
}

HRESULT ControlDispatch::invokeMember(OposControl& c, DISPID id, std::uint16_t flags, std::vector<VARIANT>& args,
                                      VARIANT* result) {
    const bool printer = c.deviceClass() == u"POSPrinter";
    auto ret = [&](std::int32_t v) {
        if (result) *result = VARIANT::I4(v);
        return S_OK;
    };
    // Properties.
    auto findProperty = [&](const PropertyMember* begin, const PropertyMember* end) -> const PropertyMember* {
        for (auto p = begin; p != end; ++p)
            if (p->id == id) return p;
        return nullptr;
    };
    const PropertyMember* prop = printer ? findProperty(std::begin(kPrinterProperties), std::end(kPrinterProperties))
                                         : findProperty(std::begin(kDrawerProperties), std::end(kDrawerProperties));
    if (prop && (flags & (DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT))) {
        if (flags & DISPATCH_PROPERTYPUT) {
            if (args.size() != 1) return DISP_E_BADPARAMCOUNT;
            if (prop->kind == Kind::StringProperty) c.SetPropertyString(prop->pidx, textArg(args, 0));
            else c.SetPropertyNumber(prop->pidx, intArg(args, 0));
            return S_OK;
        }
        if (!args.empty()) return DISP_E_BADPARAMCOUNT;
        if (prop->kind == Kind::StringProperty) {
            if (result) *result = VARIANT::Bstr(c.GetPropertyString(prop->pidx));
            return S_OK;
        }
        const int v = c.GetPropertyNumber(prop->pidx);
        if (prop->kind == Kind::BoolProperty) {
            if (result) *result = VARIANT::Bool(v != 0);
            return S_OK;
        }
        return ret(v);
    }
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;

    // Methods common to both controls.
    switch (id) {
    case 31: return ret(c.CheckHealth(intArg(args, 0)));
    case 32: return ret(c.ClaimDevice(intArg(args, 0)));
    case 35: return ret(c.Close());
    case 37: return ret(c.Open(textArg(args, 0)));
    case 38: return ret(c.ReleaseDevice());
    case 36: {
        if (args.size() != 3 || !args[1].plVal || !args[2].pbstrVal) return DISP_E_TYPEMISMATCH;
        int data = *args[1].plVal;
        const int rc = c.DirectIO(intArg(args, 0), data, *args[2].pbstrVal);
        *args[1].plVal = data;
        return ret(rc);
    }
    default: break;
    }
    if (!printer) {
        if (id == 60) return ret(static_cast<CashDrawer&>(c).OpenDrawer());
        return DISP_E_MEMBERNOTFOUND;
    }
    auto& p = static_cast<POSPrinter&>(c);
    switch (id) {
    case 34: return ret(p.ClearOutput());
    case 162: return ret(p.CutPaper(intArg(args, 0)));
    case 165:
        return ret(p.PrintBarCode(intArg(args, 0), textArg(args, 1), intArg(args, 2), intArg(args, 3), intArg(args, 4),
                                  intArg(args, 5), intArg(args, 6)));
    case 166: return ret(p.PrintBitmap(intArg(args, 0), textArg(args, 1), intArg(args, 2), intArg(args, 3)));
    case 167: return ret(p.PrintImmediate(intArg(args, 0), textArg(args, 1)));
    case 168: return ret(p.PrintNormal(intArg(args, 0), textArg(args, 1)));
    case 170: return ret(p.RotatePrint(intArg(args, 0), intArg(args, 1)));
    case 171:
        return ret(p.SetBitmap(intArg(args, 0), intArg(args, 1), textArg(args, 2), intArg(args, 3), intArg(args, 4)));
    case 173: return ret(p.TransactionPrint(intArg(args, 0), intArg(args, 1)));
    case 174: return ret(p.ValidateData(intArg(args, 0), textArg(args, 1)));
    case 176: return ret(p.MarkFeed(intArg(args, 0)));
    case 178: return ret(p.PageModePrint(intArg(args, 0)));
    case 179:
        return ret(p.PrintMemoryBitmap(intArg(args, 0), textArg(args, 1), intArg(args, 2), intArg(args, 3),
                                       intArg(args, 4)));
    default: return DISP_E_MEMBERNOTFOUND;
    }
}

// ---------------------------------------------------------------------------

OposControl::OposControl(std::u16string deviceClass, ServiceIds ids)
    : m_deviceClass(std::move(deviceClass)), m_ids(ids), m_dispatch(new ControlDispatch(this)) {
    m_eventFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

OposControl::~OposControl() {
    Close();
    m_dispatch->detach();
    m_dispatch->Release();
    setEventSink(nullptr);
    if (m_eventFd >= 0) ::close(m_eventFd);
}

int OposControl::invokeService(int dispid, std::vector<ArgValue>& args, bool hasResult, std::u16string* bstrResult) {
    if (!m_service) return OPOS_E_CLOSED;
    std::vector<VARIANT> variants;
    variants.reserve(args.size());
    for (auto& a : args) variants.push_back(toVariant(a));
    VARIANT result;
    const HRESULT hr = m_service->Invoke(dispid, IID_NULL, 0, DISPATCH_METHOD, variants, &result);
    if (FAILED(hr)) return OPOS_E_FAILURE;
    if (bstrResult) *bstrResult = result.bstrVal;
    if (!hasResult) return OPOS_SUCCESS;
    return result.vt == VT_I4 ? result.lVal : OPOS_SUCCESS;
}

int OposControl::callService(int dispid, std::vector<ArgValue> args) { return invokeService(dispid, args, true, nullptr); }

void OposControl::callServiceNoResult(int dispid, std::vector<ArgValue> args) {
    invokeService(dispid, args, false, nullptr);
}

int OposControl::Open(const std::u16string& deviceName) {
    if (m_service) return OPOS_E_ILLEGAL;  // already open
    const std::u16string progId = progIdOf(m_deviceClass, deviceName);
    if (progId.empty()) return m_closedResult = OPOS_E_NOEXIST;
    IDispatch* service = nullptr;
    if (FAILED(CoCreateInstanceByProgID(progId, IID_IDispatch, reinterpret_cast<void**>(&service))) || !service)
        return m_closedResult = OPOS_E_NOSERVICE;
    m_service = service;
    std::vector<VARIANT> args{VARIANT::Bstr(m_deviceClass), VARIANT::Bstr(deviceName), VARIANT::Dispatch(m_dispatch)};
    VARIANT result;
    const HRESULT hr = m_service->Invoke(m_ids.openService, IID_NULL, 0, DISPATCH_METHOD, args, &result);
    const int rc = FAILED(hr) ? OPOS_E_NOSERVICE : (result.vt == VT_I4 ? result.lVal : OPOS_SUCCESS);
    if (rc != OPOS_SUCCESS) {
        m_service->Release();
        m_service = nullptr;
        m_closedResult = rc;
    }
    return rc;
}

int OposControl::Close() {
    if (!m_service) return OPOS_E_CLOSED;
    const int rc = callService(m_ids.closeService, {});
    m_service->Release();
    m_service = nullptr;
    m_closedResult = rc;
    return rc;
}

int OposControl::ClaimDevice(int timeoutMs) { return callService(m_ids.claimDevice, {ArgValue::Int(timeoutMs)}); }
int OposControl::ReleaseDevice() { return callService(m_ids.releaseDevice, {}); }
int OposControl::CheckHealth(int level) { return callService(m_ids.checkHealth, {ArgValue::Int(level)}); }
int OposControl::ClearInput() { return callService(m_ids.clearInput, {}); }

int OposControl::DirectIO(int command, int& data, std::u16string& text) {
    std::int32_t d = data;
    const int rc = callService(m_ids.directIO, {ArgValue::Int(command), ArgValue::IntRef(&d), ArgValue::TextRef(&text)});
    data = d;
    return rc;
}

int OposControl::GetPropertyNumber(int pidx) {
    if (!m_service) return pidx == PIDX_ResultCode ? OPOS_E_CLOSED : (pidx == PIDX_State ? 1 : 0);
    std::vector<ArgValue> args{ArgValue::Int(pidx)};
    return invokeService(m_ids.getPropertyNumber, args, true, nullptr);
}

void OposControl::SetPropertyNumber(int pidx, int value) {
    callServiceNoResult(m_ids.setPropertyNumber, {ArgValue::Int(pidx), ArgValue::Int(value)});
}

std::u16string OposControl::GetPropertyString(int pidx) {
    std::u16string text;
    std::vector<ArgValue> args{ArgValue::Int(pidx)};
    invokeService(m_ids.getPropertyString, args, false, &text);
    return text;
}

void OposControl::SetPropertyString(int pidx, const std::u16string& value) {
    callServiceNoResult(m_ids.setPropertyString, {ArgValue::Int(pidx), ArgValue::Text(value)});
}

bool OposControl::DeviceEnabled() { return GetPropertyNumber(PIDX_DeviceEnabled) != 0; }
void OposControl::SetDeviceEnabled(bool enabled) { SetPropertyNumber(PIDX_DeviceEnabled, enabled ? 1 : 0); }
bool OposControl::DataEventEnabled() { return GetPropertyNumber(PIDX_DataEventEnabled) != 0; }
void OposControl::SetDataEventEnabled(bool enabled) { SetPropertyNumber(PIDX_DataEventEnabled, enabled ? 1 : 0); }
bool OposControl::FreezeEvents() { return GetPropertyNumber(PIDX_FreezeEvents) != 0; }
void OposControl::SetFreezeEvents(bool freeze) { SetPropertyNumber(PIDX_FreezeEvents, freeze ? 1 : 0); }
bool OposControl::AutoDisable() { return GetPropertyNumber(PIDX_AutoDisable) != 0; }
void OposControl::SetAutoDisable(bool on) { SetPropertyNumber(PIDX_AutoDisable, on ? 1 : 0); }
int OposControl::BinaryConversion() { return GetPropertyNumber(PIDX_BinaryConversion); }
void OposControl::SetBinaryConversion(int conversion) { SetPropertyNumber(PIDX_BinaryConversion, conversion); }
bool OposControl::Claimed() { return GetPropertyNumber(PIDX_Claimed) != 0; }
int OposControl::ResultCode() { return m_service ? GetPropertyNumber(PIDX_ResultCode) : m_closedResult; }
int OposControl::ResultCodeExtended() { return GetPropertyNumber(PIDX_ResultCodeExtended); }
int OposControl::State() { return GetPropertyNumber(PIDX_State); }
std::u16string OposControl::CheckHealthText() { return GetPropertyString(PIDX_CheckHealthText); }
std::u16string OposControl::DeviceDescription() { return GetPropertyString(PIDX_DeviceDescription); }
std::u16string OposControl::DeviceName() { return GetPropertyString(PIDX_DeviceName); }
std::u16string OposControl::ServiceObjectDescription() { return GetPropertyString(PIDX_ServiceObjectDescription); }

// ---------------------------------------------------------------------------
// Events

void OposControl::queueEvent(ControlEvent event) {
    {
        std::lock_guard<std::mutex> g(m_eventsLock);
        m_events.push_back(event);
    }
    const std::uint64_t one = 1;
    if (m_eventFd >= 0) [[maybe_unused]] auto w = ::write(m_eventFd, &one, sizeof one);
}

int OposControl::eventFd() const { return m_eventFd; }

std::size_t OposControl::pendingEvents() const {
    std::lock_guard<std::mutex> g(m_eventsLock);
    return m_events.size();
}

bool OposControl::waitForEvent(int timeoutMs) {
    if (pendingEvents() > 0) return true;
    pollfd p{m_eventFd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0 || pendingEvents() > 0;
}

int OposControl::dispatchEvents() {
    std::uint64_t drained;
    [[maybe_unused]] auto r = ::read(m_eventFd, &drained, sizeof drained);
    int n = 0;
    for (;;) {
        ControlEvent e;
        {
            std::lock_guard<std::mutex> g(m_eventsLock);
            if (m_events.empty()) break;
            e = m_events.front();
            m_events.pop_front();
        }
        ++n;
        switch (e.kind) {
        case ControlEvent::Data: if (onData) onData(e.value); break;
        case ControlEvent::StatusUpdate: if (onStatusUpdate) onStatusUpdate(e.value); break;
        case ControlEvent::OutputComplete: if (onOutputComplete) onOutputComplete(e.value); break;
        case ControlEvent::Error: if (onError) onError(e.value); break;
        case ControlEvent::DirectIO: break;
        }
        if (m_sink) {
            std::vector<VARIANT> args{VARIANT::I4(e.value)};
            VARIANT ignored;
            m_sink->Invoke(static_cast<DISPID>(e.kind), IID_NULL, 0, DISPATCH_METHOD, args, &ignored);
        }
    }
    return n;
}

IDispatch* OposControl::dispatch() { return m_dispatch; }

void OposControl::setEventSink(IDispatch* sink) {
    if (sink) sink->AddRef();
    if (m_sink) m_sink->Release();
    m_sink = sink;
}

// ---------------------------------------------------------------------------

POSPrinter::POSPrinter()
    : OposControl(u"POSPrinter", ServiceIds{6, 7, 8, 9, 27, 29, 30, 2, 3, 4, 5, 1}) {}

int POSPrinter::PrintNormal(int station, const std::u16string& data) {
    callServiceNoResult(18, {ArgValue::Int(station), ArgValue::Text(data)});
    return ResultCode();
}
int POSPrinter::PrintImmediate(int station, const std::u16string& data) {
    return callService(17, {ArgValue::Int(station), ArgValue::Text(data)});
}
int POSPrinter::PrintTwoNormal(int station, const std::u16string& data1, const std::u16string& data2) {
    return callService(19, {ArgValue::Int(station), ArgValue::Text(data1), ArgValue::Text(data2)});
}
int POSPrinter::PrintBarCode(int station, const std::u16string& data, int symbology, int height, int width,
                             int alignment, int textPosition) {
    return callService(15, {ArgValue::Int(station), ArgValue::Text(data), ArgValue::Int(symbology),
                            ArgValue::Int(height), ArgValue::Int(width), ArgValue::Int(alignment),
                            ArgValue::Int(textPosition)});
}
int POSPrinter::PrintBitmap(int station, const std::u16string& fileName, int width, int alignment) {
    return callService(16, {ArgValue::Int(station), ArgValue::Text(fileName), ArgValue::Int(width),
                            ArgValue::Int(alignment)});
}
int POSPrinter::PrintMemoryBitmap(int station, const std::u16string& data, int type, int width, int alignment) {
    callServiceNoResult(39, {ArgValue::Int(station), ArgValue::Text(data), ArgValue::Int(type), ArgValue::Int(width),
                             ArgValue::Int(alignment)});
    return ResultCode();
}
int POSPrinter::SetBitmap(int bitmapNumber, int station, const std::u16string& fileName, int width, int alignment) {
    return callService(21, {ArgValue::Int(bitmapNumber), ArgValue::Int(station), ArgValue::Text(fileName),
                            ArgValue::Int(width), ArgValue::Int(alignment)});
}
int POSPrinter::SetLogo(int location, const std::u16string& data) {
    return callService(22, {ArgValue::Int(location), ArgValue::Text(data)});
}
int POSPrinter::CutPaper(int percentage) { return callService(12, {ArgValue::Int(percentage)}); }
int POSPrinter::MarkFeed(int type) { return callService(26, {ArgValue::Int(type)}); }
int POSPrinter::RotatePrint(int station, int rotation) {
    return callService(20, {ArgValue::Int(station), ArgValue::Int(rotation)});
}
int POSPrinter::TransactionPrint(int station, int control) {
    return callService(23, {ArgValue::Int(station), ArgValue::Int(control)});
}
int POSPrinter::ValidateData(int station, const std::u16string& data) {
    return callService(24, {ArgValue::Int(station), ArgValue::Text(data)});
}
int POSPrinter::PageModePrint(int control) {
    callServiceNoResult(38, {ArgValue::Int(control)});
    return ResultCode();
}
int POSPrinter::ClearPrintArea() {
    std::int32_t rc = OPOS_E_CLOSED;
    callServiceNoResult(37, {ArgValue::IntRef(&rc)});
    return isOpen() ? rc : OPOS_E_CLOSED;
}
int POSPrinter::ClearOutput() { return callService(28, {}); }
int POSPrinter::DrawRuledLine(int station, const std::u16string& positionList, int lineDirection, int lineWidth,
                              int lineStyle, int lineColor) {
    std::int32_t rc = OPOS_E_CLOSED;
    callServiceNoResult(40, {ArgValue::Int(station), ArgValue::Text(positionList), ArgValue::Int(lineDirection),
                             ArgValue::Int(lineWidth), ArgValue::Int(lineStyle), ArgValue::Int(lineColor),
                             ArgValue::IntRef(&rc)});
    return isOpen() ? rc : OPOS_E_CLOSED;
}
int POSPrinter::ChangePrintSide() { return callService(25, {}); }

bool POSPrinter::AsyncMode() { return GetPropertyNumber(8001) != 0; }
void POSPrinter::SetAsyncMode(bool on) { SetPropertyNumber(8001, on ? 1 : 0); }
int POSPrinter::MapMode() { return GetPropertyNumber(8013); }
void POSPrinter::SetMapMode(int mode) { SetPropertyNumber(8013, mode); }
int POSPrinter::CharacterSet() { return GetPropertyNumber(8002); }
void POSPrinter::SetCharacterSet(int characterSet) { SetPropertyNumber(8002, characterSet); }
int POSPrinter::OutputID() { return GetPropertyNumber(PIDX_OutputID); }
bool POSPrinter::CoverOpen() { return GetPropertyNumber(8003) != 0; }
bool POSPrinter::RecEmpty() { return GetPropertyNumber(8014) != 0; }
bool POSPrinter::RecNearEnd() { return GetPropertyNumber(8021) != 0; }
int POSPrinter::RecLineChars() { return GetPropertyNumber(8016); }
int POSPrinter::RecLineWidth() { return GetPropertyNumber(8020); }

CashDrawer::CashDrawer() : OposControl(u"CashDrawer", ServiceIds{1, 5, 3, 9, 2, 4, 7, 10, 12, 11, 13, 6}) {}

int CashDrawer::OpenDrawer() {
    callServiceNoResult(17, {});
    return ResultCode();
}
int CashDrawer::WaitForDrawerClose(int beepTimeout, int beepFrequency, int beepDuration, int beepDelay) {
    callServiceNoResult(18, {ArgValue::Int(beepTimeout), ArgValue::Int(beepFrequency), ArgValue::Int(beepDuration),
                             ArgValue::Int(beepDelay)});
    return ResultCode();
}
bool CashDrawer::DrawerOpened() { return GetPropertyNumber(1001) != 0; }

}  // namespace vornik::opos
