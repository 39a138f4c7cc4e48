#include "ServiceObject.h"

#include "infra/DriverLog.h"

namespace vornik::so {

using namespace platform;

ServiceObject::ServiceObject(const InterfaceInfo& info, const char* windowClass, IUnknown* outer)
    : DispatchObject(info, outer),
      m_window(std::make_unique<MessageLoop>(
          windowClass, [this](unsigned m, std::uintptr_t w, std::intptr_t l) { onMessage(m, w, l); })) {}

ServiceObject::~ServiceObject() { shutdown(); }

// Delivery stops first: a callback blocked in SendMessage is served by the
// still running window and returns; then the window and its timers stop.
void ServiceObject::shutdown() {
    m_eventQueue.StopDelivery();
    m_window.reset();
}

HRESULT ServiceObject::call(DISPID id, CallArgs& args) {
    HRESULT hr = S_OK;
    const bool ran = m_window->invoke([&] {
        try {
            hr = handle(id, args);
        } catch (const std::exception& e) {
            g_fileLog.Log(1, "CDevice", std::string("Error: ") + e.what());
            setResult(args, OPOS_E_FAILURE);
            hr = S_OK;
        } catch (...) {
            setResult(args, OPOS_E_FAILURE);
            hr = S_OK;
        }
    });
    return ran ? hr : E_FAIL;
}

void ServiceObject::setResult(CallArgs& args, int resultCode) {
    m_resultCode = resultCode;
    *args.retvalI4() = resultCode;
    // Members whose result code travels in a plain out-parameter (the last one).
    const auto& params = args.method().params;
    if (!params.empty() && params.back() == ParamKind::OutI4) {
        if (std::int32_t* p = args.i4Ref(InterfaceInfo::callerArgs(args.method()) - 1)) *p = resultCode;
    }
}

HRESULT ServiceObject::handle(DISPID, CallArgs& args) {
    setResult(args, OPOS_E_FAILURE);
    return S_OK;
}


}  // namespace vornik::so
