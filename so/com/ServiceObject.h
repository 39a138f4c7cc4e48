// The common frame of the two service objects: a dispatch object answered
// from its interface table, the CDevice state and event queue, and the hidden
// window (a message loop on a thread of its own).
//
// Threading: every dispatch call is carried out on the window's thread
// (MessageLoop::invoke), which therefore owns the object's state, as a
// single-threaded apartment would; window messages and timers run there too. The delivery thread of the event queue fires status and
// output-complete events itself and passes everything else to the window.
// No error leaves a call: an exception ends it with result 111.
#pragma once

#include "TypeLibrary.h"
#include "infra/CDevice.h"
#include "platform/Com.h"
#include "platform/MessageLoop.h"

#include <memory>

namespace vornik::so {

inline constexpr int OPOS_SUCCESS = 0;
inline constexpr int OPOS_E_FAILURE = 111;

class ServiceObject : public platform::DispatchObject, public CDevice {
public:
    ServiceObject(const platform::InterfaceInfo& info, const char* windowClass, platform::IUnknown* outer);

protected:
    ~ServiceObject() override;

    // One member, on the window thread. The default answers every member
    // with the failure result.
    virtual platform::HRESULT handle(platform::DISPID id, platform::CallArgs& args);
    // A window message, on the window thread.
    virtual void onMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {}
    // Sets the result code and every result-code parameter the member has.
    void setResult(platform::CallArgs& args, int resultCode);

    platform::MessageLoop& window() { return *m_window; }
    // Makes this device's printer the current connection of the connection
    // interface, by interface type (the claim's connect step; its result
    // does not decide the claim). logTag names the caller in the log.
    void connectByIoType(const char* logTag);
    // 0 when claimed and enabled, else 103 (not claimed) or 105 (disabled).
    int readiness(bool needClaim = true) const;
    // Stops event delivery, then the window with its timers. The most derived
    // destructor calls it first, so that no callback, message or timer runs
    // while the object's own members are being destroyed. Idempotent.
    void shutdown();

private:
    platform::HRESULT call(platform::DISPID id, platform::CallArgs& args) final;

    std::unique_ptr<platform::MessageLoop> m_window;
};

// The two classes.
platform::DispatchObject* CreatePrinterServiceObject(platform::IUnknown* outer);
platform::DispatchObject* CreateCashDrawerServiceObject(platform::IUnknown* outer);

}  // namespace vornik::so
