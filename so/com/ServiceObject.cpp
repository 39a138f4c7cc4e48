#include "ServiceObject.h"

#include "infra/DriverLog.h"

#include <conlink/Conlink.h>

#include <cstdlib>

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

void ServiceObject::connectByIoType(const char* logTag) {
    auto log = [&](const char* text) {
        if (5 <= g_fileLog.verbosity()) g_fileLog.Log(5, logTag, text);
    };
    switch (m_ioType) {
    case IO_ETHERNET:
        log("    | Creating  Report Channel (client sockets)...");
        KV_NetConnect(m_clientIP.c_str(), static_cast<int>(std::strtol(m_clientPort.c_str(), nullptr, 10)));
        break;
    case IO_USB:
        log("    | Creating  Report Channel (USB port)...");
        KV_UsbConnect(m_usbPort.c_str());
        break;
    case IO_LPT:
        log("    | Creating  Report Channel (LPT port)...");
        KV_LptConnect(m_lptPort.c_str());
        break;
    default: {
        log("    | Creating  Report Channel (serial port)...");
        const ComSettings s{m_baudRate, m_byteSizes, m_parity, m_stopBits, m_flowControl};
        KV_ComConnect2(m_serialPort.c_str(), &s);
        break;
    }
    }
}

int ServiceObject::readiness(bool needClaim) const {
    if (needClaim && !hasFlag(FLAG_CLAIMED)) return 103;
    if (!hasFlag(FLAG_DEVICE_ENABLED)) return 105;
    return 0;
}

HRESULT ServiceObject::handle(DISPID, CallArgs& args) {
    setResult(args, OPOS_E_FAILURE);
    return S_OK;
}


}  // namespace vornik::so
