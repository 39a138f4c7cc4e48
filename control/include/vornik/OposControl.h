// The OPOS control objects for Linux: what a POS application links to.
//
//   vornik::opos::POSPrinter printer;
//   printer.onStatusUpdate = [](int status) { ... };      // runs on your thread
//   if (printer.Open(u"Receipt") == 0 && printer.ClaimDevice(1000) == 0) {
//       printer.SetDeviceEnabled(true);
//       printer.PrintNormal(2, u"Hello\n");
//   }
//   // in your event loop: poll(printer.eventFd()) then printer.dispatchEvents();
//   // or simply:          printer.waitForEvent(100); printer.dispatchEvents();
//
// Open(LDN) reads the LDN's key under HKLM\SOFTWARE\OLEforRetail\ServiceOPOS\
// <class>, creates the service object registered under the ProgID stored there
// (its default value) and calls its OpenService with the class, the LDN and
// this control's own dispatch interface. Every method and property is then
// forwarded to the service object; methods return the OPOS result code, which
// ResultCode() also reports.
//
// Events: the service object calls "SOData", "SODirectIO", "SOError",
// "SOStatusUpdate" and "SOOutputComplete" from any of its threads; the control
// queues them and raises them on the application's thread when it calls
// dispatchEvents(). eventFd() becomes readable while events wait, so a plain
// poll loop or a Qt QSocketNotifier can watch it.
//
// A control object is used from one application thread (as an embedded OPOS
// control is); only the event entry points are called from other threads.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#if defined(__GNUC__)
#define VORNIK_OPOS_API __attribute__((visibility("default")))
#else
#define VORNIK_OPOS_API
#endif

namespace vornik::platform {
class IDispatch;
}

namespace vornik::opos {

// OPOS result codes.
enum ResultCode : int {
    OPOS_SUCCESS = 0,
    OPOS_E_CLOSED = 101,
    OPOS_E_CLAIMED = 102,
    OPOS_E_NOTCLAIMED = 103,
    OPOS_E_NOSERVICE = 104,
    OPOS_E_DISABLED = 105,
    OPOS_E_ILLEGAL = 106,
    OPOS_E_NOHARDWARE = 107,
    OPOS_E_OFFLINE = 108,
    OPOS_E_NOEXIST = 109,
    OPOS_E_EXISTS = 110,
    OPOS_E_FAILURE = 111,
    OPOS_E_TIMEOUT = 112,
    OPOS_E_BUSY = 113,
    OPOS_E_EXTENDED = 114,
};

// Common property indexes.
enum Pidx : int {
    PIDX_Claimed = 1,
    PIDX_DataEventEnabled = 2,
    PIDX_DeviceEnabled = 3,
    PIDX_FreezeEvents = 4,
    PIDX_OutputID = 5,
    PIDX_ResultCode = 6,
    PIDX_ResultCodeExtended = 7,
    PIDX_ServiceObjectVersion = 8,
    PIDX_State = 9,
    PIDX_AutoDisable = 10,
    PIDX_BinaryConversion = 11,
    PIDX_DataCount = 12,
    PIDX_PowerNotify = 13,
    PIDX_PowerState = 14,
    PIDX_CheckHealthText = 1000001,
    PIDX_DeviceDescription = 1000002,
    PIDX_DeviceName = 1000003,
    PIDX_ServiceObjectDescription = 1000004,
};

// One event as the application receives it.
struct ControlEvent {
    enum Kind { Data = 1, DirectIO = 2, Error = 3, OutputComplete = 4, StatusUpdate = 5 } kind;
    std::int32_t value = 0;  // status, output ID, or result code
};

class ControlDispatch;

// An argument of a forwarded call.
struct ArgValue {
    enum Type { I4, Bool, Bstr, I4Ref, BstrRef } type;
    std::int32_t i4 = 0;
    std::u16string bstr;
    std::int32_t* i4Ref = nullptr;
    std::u16string* bstrRef = nullptr;
    static ArgValue Int(std::int32_t v) { return ArgValue{I4, v}; }
    static ArgValue Boolean(bool v) { return ArgValue{Bool, v ? 1 : 0}; }
    static ArgValue Text(std::u16string v) { return ArgValue{Bstr, 0, std::move(v)}; }
    static ArgValue IntRef(std::int32_t* p) { return ArgValue{I4Ref, 0, {}, p}; }
    static ArgValue TextRef(std::u16string* p) { return ArgValue{BstrRef, 0, {}, nullptr, p}; }
};

class VORNIK_OPOS_API OposControl {
public:
    virtual ~OposControl();
    OposControl(const OposControl&) = delete;
    OposControl& operator=(const OposControl&) = delete;

    // Life cycle.
    int Open(const std::u16string& deviceName);
    int Close();
    int ClaimDevice(int timeoutMs);
    int ReleaseDevice();
    int CheckHealth(int level);
    int ClearInput();
    int DirectIO(int command, int& data, std::u16string& text);

    // Properties.
    bool DeviceEnabled();
    void SetDeviceEnabled(bool enabled);
    bool DataEventEnabled();
    void SetDataEventEnabled(bool enabled);
    bool FreezeEvents();
    void SetFreezeEvents(bool freeze);
    bool AutoDisable();
    void SetAutoDisable(bool on);
    int BinaryConversion();
    void SetBinaryConversion(int conversion);
    bool Claimed();
    int ResultCode();
    int ResultCodeExtended();
    int State();  // 1 closed, 2 idle, 4 error
    std::u16string CheckHealthText();
    std::u16string DeviceDescription();
    std::u16string DeviceName();
    std::u16string ServiceObjectDescription();
    bool isOpen() const { return m_service != nullptr; }

    // Any property by index (0 / empty and OPOS_E_CLOSED when not open).
    int GetPropertyNumber(int pidx);
    void SetPropertyNumber(int pidx, int value);
    std::u16string GetPropertyString(int pidx);
    void SetPropertyString(int pidx, const std::u16string& value);

    // Events, raised by dispatchEvents() on the calling thread.
    std::function<void(int status)> onData;
    std::function<void(int status)> onStatusUpdate;
    std::function<void(int outputId)> onOutputComplete;
    std::function<void(int resultCode)> onError;
    int eventFd() const;
    // Waits up to timeoutMs (-1 for ever) for an event; true when one waits.
    bool waitForEvent(int timeoutMs);
    // Raises the waiting events in the order they arrived; returns how many.
    int dispatchEvents();
    // Events received and not yet dispatched.
    std::size_t pendingEvents() const;

    // The control's own dispatch interface: the members by the ids a test
    // program uses, and the five event methods the service object calls.
    platform::IDispatch* dispatch();
    // Where events also go when set: Invoke(kind, DISPATCH_METHOD, value) on it.
    void setEventSink(platform::IDispatch* sink);

    // The device class ("POSPrinter" or "CashDrawer").
    const std::u16string& deviceClass() const { return m_deviceClass; }

    // Called by the service object (through the dispatch interface), from any thread.
    void queueEvent(ControlEvent event);

protected:
    struct ServiceIds {
        int openService, closeService, claimDevice, releaseDevice, checkHealth, clearInput, directIO,
            getPropertyNumber, setPropertyNumber, getPropertyString, setPropertyString, coFreezeEvents;
    };
    OposControl(std::u16string deviceClass, ServiceIds ids);

    // Calls a member of the service object whose last parameter is its
    // result code (retval or out); returns it, or OPOS_E_CLOSED / OPOS_E_FAILURE.
    int callService(int dispid, std::vector<ArgValue> args);
    // Calls a member without a result code; ResultCode tells.
    void callServiceNoResult(int dispid, std::vector<ArgValue> args);

    platform::IDispatch* m_service = nullptr;

private:
    friend class ControlDispatch;
    int invokeService(int dispid, std::vector<ArgValue>& args, bool hasResult, std::u16string* bstrResult);

    std::u16string m_deviceClass;
    ServiceIds m_ids;
    ControlDispatch* m_dispatch;
    platform::IDispatch* m_sink = nullptr;

    mutable std::mutex m_eventsLock;
    std::deque<ControlEvent> m_events;
    int m_eventFd = -1;
    int m_closedResult = 0;
};

class VORNIK_OPOS_API POSPrinter : public OposControl {
public:
    POSPrinter();

    int PrintNormal(int station, const std::u16string& data);
    int PrintImmediate(int station, const std::u16string& data);
    int PrintTwoNormal(int station, const std::u16string& data1, const std::u16string& data2);
    int PrintBarCode(int station, const std::u16string& data, int symbology, int height, int width, int alignment,
                     int textPosition);
    int PrintBitmap(int station, const std::u16string& fileName, int width, int alignment);
    int PrintMemoryBitmap(int station, const std::u16string& data, int type, int width, int alignment);
    int SetBitmap(int bitmapNumber, int station, const std::u16string& fileName, int width, int alignment);
    int SetLogo(int location, const std::u16string& data);
    int CutPaper(int percentage);
    int MarkFeed(int type);
    int RotatePrint(int station, int rotation);
    int TransactionPrint(int station, int control);
    int ValidateData(int station, const std::u16string& data);
    int PageModePrint(int control);
    int ClearPrintArea();
    int ClearOutput();
    int DrawRuledLine(int station, const std::u16string& positionList, int lineDirection, int lineWidth,
                      int lineStyle, int lineColor);
    int ChangePrintSide();

    // Printer properties used most.
    bool AsyncMode();
    void SetAsyncMode(bool on);
    int MapMode();
    void SetMapMode(int mode);
    int CharacterSet();
    void SetCharacterSet(int characterSet);
    int OutputID();
    bool CoverOpen();
    bool RecEmpty();
    bool RecNearEnd();
    int RecLineChars();
    int RecLineWidth();
};

class VORNIK_OPOS_API CashDrawer : public OposControl {
public:
    CashDrawer();

    int OpenDrawer();
    int WaitForDrawerClose(int beepTimeout, int beepFrequency, int beepDuration, int beepDelay);
    bool DrawerOpened();
};

// Status-update codes.
enum StatusCode : int {
    CASH_SUE_DRAWERCLOSED = 0,
    CASH_SUE_DRAWEROPEN = 1,
    PTR_SUE_COVER_OPEN = 11,
    PTR_SUE_COVER_OK = 12,
    PTR_SUE_REC_EMPTY = 24,
    PTR_SUE_REC_PAPEROK = 26,
};

}  // namespace vornik::opos
