// The cash drawer service object CCashDrawer: a drawer on the drawer-kick
// connector of a printer. It uses its printer's connection settings (the
// drawer's "Uses" LDN), kicks the drawer with ESC p and follows the drawer
// switch through the printer's real-time status byte (bit 0x04 set while the
// drawer is closed), polled on timer 10 or taken from the printer's own
// status when a printer service object of this process is claimed.
#include "com/ServiceObject.h"
#include "infra/DeviceConfig.h"
#include "infra/DriverLog.h"
#include "infra/Errors.h"
#include "infra/Text.h"
#include "pipeline/Cmd.h"
#include "platform/Clock.h"
#include "platform/CodePages.h"
#include "platform/NamedLock.h"
#include "printer/BinaryConversion.h"
#include "printer/Printer.h"
#include "status/CommData.h"

#include <conlink/Conlink.h>

#include <chrono>
#include <cstdlib>
#include <memory>

namespace vornik::so {

using namespace platform;

namespace {

const char kTag[] = "CCashDrawer";
const char kMutexName[] = "QuorvaneOposCashDrawer";
constexpr int OPOS_E_NOTCLAIMED = 103;
constexpr int OPOS_E_DISABLED = 105;
constexpr int OPOS_E_ILLEGAL = 106;
constexpr int OPOS_E_CLAIMED = 102;
constexpr int OPOS_OR_FAILEDOPEN = 403;
constexpr int kTimerPoll = 10, kTimerIdle = 11;

class CCashDrawer final : public ServiceObject, public CCommData {
public:
    explicit CCashDrawer(IUnknown* outer) : ServiceObject(ICCashDrawerInfo(), "CCashDrawerWindow", outer) {
        m_resultCode = 101;
        m_deviceName = "Rivedu Printer/CashDrawer";
        m_deviceDescription = "Rivedu Ventrix/2xxx Single-Cable Printer/CashDrawer";
        m_eventQueue.SetCallback([this](const OposEvent& e) { ProcessEvent(e); });
    }

    ~CCashDrawer() override { shutdown(); }

    void ProcessCommData(const std::string& reply) override;

protected:
    HRESULT handle(DISPID id, CallArgs& a) override;
    void onMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

private:
    int OpenService(const std::u16string& deviceClass, const std::u16string& deviceName, IDispatch* dispatch);
    int CloseService();
    int ClaimDevice(int timeout);
    int ReleaseDevice();
    void DeviceEnable(bool enable);
    void OpenDrawer();
    void OnReadTimeout(unsigned timerId);
    void ProcessEvent(const OposEvent& e);
    int GetPropertyNumber(int pidx);
    void SetPropertyNumber(int pidx, int value);
    std::u16string GetPropertyString(int pidx);
    void log(int level, const std::string& text) const {
        if (level <= g_fileLog.verbosity()) g_fileLog.Log(level, kTag, text);
    }

    std::unique_ptr<NamedLock> m_mutex;
    DrawerConfig m_config{"", 2, 48, 48};
    int m_state = 1;
    int m_openResult = 0;
    int m_resultCodeExtended = 0;
    int m_powerNotify = 0;
    int m_drawerOpened = 0;
    int m_capStatus = 0, m_capStatusMultiDrawerDetect = 0;
    unsigned char m_lastStatus[4] = {0, 0, 0, 0};
    std::string m_checkHealthText, m_deviceName, m_deviceDescription;
};

HRESULT CCashDrawer::handle(DISPID id, CallArgs& a) {
    namespace D = drawer_id;
    try {
        switch (id) {
        case D::OpenService: setResult(a, OpenService(a.bstr(0), a.bstr(1), a.dispatch(2))); break;
        case D::CloseService: setResult(a, CloseService()); break;
        case D::ClaimDevice: setResult(a, ClaimDevice(a.i4(0))); break;
        case D::ReleaseDevice: setResult(a, ReleaseDevice()); break;
        case D::CheckHealth:
            if (a.i4(0) >= 1 && a.i4(0) <= 3) {
                static const char* const texts[] = {"Internal HCheck: Complete", "External HCheck: Complete",
                                                    "Interactive HCheck: Complete"};
                m_checkHealthText = texts[a.i4(0) - 1];
                setResult(a, 0);
            } else {
                log(2, "Warning: Invalid CheckHealth level specified.");
                m_checkHealthText = "[Error]";
                setResult(a, OPOS_E_ILLEGAL);
            }
            break;
        case D::ClearInput:
            m_eventQueue.RemoveEventsOfType(EVENT_DATA);
            m_eventQueue.RemoveEventsOfType(EVENT_ERROR);
            setResult(a, 0);
            break;
        case D::COFreezeEvents:
            setFlag(FLAG_CO_FROZEN, a.boolean(0));
            FreezeEvents();
            setResult(a, 0);
            break;
        case D::DirectIO: break;  // does nothing and stores no result
        case D::GetOpenResult: setResult(a, m_openResult); break;
        case D::GetPropertyNumber: *a.retvalI4() = GetPropertyNumber(a.i4(0)); break;
        case D::GetPropertyString: *a.retvalBstr() = GetPropertyString(a.i4(0)); break;
        case D::SetPropertyNumber: SetPropertyNumber(a.i4(0), a.i4(1)); break;
        case D::SetPropertyString:
            log(2, "Warning: Invalid property number specified.");
            m_resultCode = OPOS_E_ILLEGAL;
            break;
        case D::ResetStatistics:
        case D::UpdateStatistics:
            m_resultCodeExtended = 0;
            setResult(a, OPOS_E_ILLEGAL);
            break;
        case D::RetrieveStatistics: break;
        case D::OpenDrawer: OpenDrawer(); break;
        case D::WaitForDrawerClose: m_resultCode = OPOS_E_ILLEGAL; break;
        default: setResult(a, OPOS_E_ILLEGAL); break;
        }
    } catch (const KVError& e) {
        log(1, std::string("Error: ") + e.what());
        setResult(a, OPOS_E_FAILURE);
    }
    return S_OK;
}

void CCashDrawer::onMessage(unsigned message, std::uintptr_t wParam, std::intptr_t) {
    if (message == WM_TIMER_MESSAGE) OnReadTimeout(static_cast<unsigned>(wParam));
    else if (message == ZoriraRIdirOzereza::kAutoDisableMessage) DeviceEnable(false);
    // 1125 and 1126 are ignored by the drawer's window.
}

void CCashDrawer::ProcessEvent(const OposEvent& e) {
    switch (e.type) {
    case EVENT_STATUS_UPDATE: HandleStatusUpdateEvent(e, kTag); break;
    case EVENT_DATA:
        setFlag(0x8000, false);
        setFlag(FLAG_DATA_EVENT_ENABLED, false);
        window().PostMessage(1125);
        break;
    case EVENT_ERROR:
        setFlag(0x8000, false);
        window().PostMessage(1126);
        break;
    case EVENT_DISABLE_REQUEST: window().SendMessage(ZoriraRIdirOzereza::kAutoDisableMessage); break;
    default: break;
    }
}

int CCashDrawer::OpenService(const std::u16string& deviceClass, const std::u16string& deviceName, IDispatch* dispatch) {
    const std::string cls = utf16ToAnsi(deviceClass), ldn = utf16ToAnsi(deviceName);
    std::string error;
    DrawerConfig config = m_config;
    const bool ok = ReadDrawerConfiguration(*this, config, cls, ldn, kTag, &error);
    log(4, std::string(60, '-'));
    log(4, ">>> OpenService");
    log(5, "    | DeviceClass: " + cls);
    log(5, "    | DeviceName: " + ldn);
    if (!ok) {
        log(1, "Error: OpenService: " + error);
        m_resultCode = m_openResult = OPOS_OR_FAILEDOPEN;
        log(4, "<<< OpenService");
        return OPOS_OR_FAILEDOPEN;
    }
    m_config = config;
    m_mutex = std::make_unique<NamedLock>(kMutexName);
    m_events.Attach(dispatch);
    m_checkHealthText = "[Error]";
    m_capStatus = m_capStatusMultiDrawerDetect = 1;
    setOpenedFlags();
    m_state = 2;
    m_lastStatus[0] = 0;
    m_drawerOpened = 0;
    m_resultCode = m_openResult = 0;
    log(5, "    | pRC: 0");
    log(4, "<<< OpenService");
    return 0;
}

int CCashDrawer::CloseService() {
    if (hasFlag(FLAG_CLAIMED)) ReleaseDevice();
    if (hasFlag(FLAG_DEVICE_ENABLED)) DeviceEnable(false);
    m_mutex.reset();
    m_events.Attach(nullptr);
    setFlag(FLAG_OPENED, false);
    m_state = 1;
    m_resultCode = 0;
    return 0;
}

int CCashDrawer::ClaimDevice(int timeout) {
    log(4, ">>> ClaimDevice");
    int rc = 0;
    if (hasFlag(FLAG_CLAIMED)) {
        rc = 0;
    } else if (!m_mutex) {
        rc = 101;
    } else {
        connectByIoType(kTag);
        processClock().sleepFor(std::chrono::milliseconds(150));
        if (m_mutex->acquire(timeout) != LockWait::Acquired) {
            log(2, "Warning: ClaimDevice: The device has already been claimed by another application.");
            rc = OPOS_E_CLAIMED;
        } else {
            setFlag(FLAG_CLAIMED, true);
        }
    }
    m_resultCode = rc;
    log(4, "<<< ClaimDevice");
    return rc;
}

int CCashDrawer::ReleaseDevice() {
    if (!hasFlag(FLAG_CLAIMED)) {
        log(2, "Warning: ReleaseDevice: Cannot release a device that has not been claimed.");
        return m_resultCode = OPOS_E_NOTCLAIMED;
    }
    if (hasFlag(FLAG_DEVICE_ENABLED)) DeviceEnable(false);
    m_eventQueue.SetAllowableEvents(0);
    m_eventQueue.ClearEvents();
    if (m_mutex && m_mutex->release()) log(5, "    | Released the mutex that grants exclusive access.");
    setFlag(FLAG_CLAIMED, false);
    return m_resultCode = 0;
}

void CCashDrawer::DeviceEnable(bool enable) {
    m_resultCode = 0;
    log(4, ">>> DeviceEnable");
    log(5, std::string("    | Enable: ") + (enable ? "1" : "0"));
    if (enable && !hasFlag(FLAG_DEVICE_ENABLED)) {
        m_eventQueue.SetAllowableEvents(31);
        m_eventQueue.SetEnabledEvents(20 | (hasFlag(FLAG_DATA_EVENT_ENABLED) ? 1 : 0));
        log(4, ">>> DeviceCommEnable");
        log(4, "<<< DeviceCommEnable");
        setFlag(FLAG_DEVICE_ENABLED, true);
        window().SetTimer(kTimerPoll, 1000);
        window().SetTimer(kTimerIdle, 1000);
    } else if (!enable && hasFlag(FLAG_DEVICE_ENABLED)) {
        m_eventQueue.SetAllowableEvents(0);
        log(4, ">>> DeviceCommEnable");
        log(4, "<<< DeviceCommEnable");
        setFlag(FLAG_DEVICE_ENABLED, false);
        window().KillTimer(kTimerPoll);
        window().KillTimer(kTimerIdle);
        log(5, "    | Waiting for device to be claimed by other applications...");
    }
    log(4, "<<< DeviceEnable");
}

void CCashDrawer::OpenDrawer() {
    log(4, ">>> OpenDrawer");
    m_resultCode = OPOS_E_ILLEGAL;
    if (!hasFlag(FLAG_DEVICE_ENABLED)) {
        m_resultCode = OPOS_E_DISABLED;
        log(4, "<<< OpenDrawer");
        return;
    }
    EscCmd cmd;
    cmd.KickDrawer(m_config.connectPin == 5 ? 49 : 48, m_config.pulseOnTime & 0xFF, m_config.pulseOffTime);
    dumpCmd(cmd.Data(), static_cast<std::size_t>(cmd.Length()));
    KV_SendCmd(cmd.Data(), cmd.Length());
    m_resultCode = 0;
    m_lastStatus[0] = 0;
    m_drawerOpened = 1;
    log(4, "<<< OpenDrawer");
}

void CCashDrawer::OnReadTimeout(unsigned timerId) {
    log(4, ">>> OnReadTimeout");
    if (timerId == kTimerPoll) {
        if (hasFlag(FLAG_DEVICE_ENABLED) && hasFlag(FLAG_CLAIMED) && g_printerClaimCount.load() == 0) {
            EscCmd cmd;
            cmd.QueryPrinterState();
            unsigned char reply[64] = {};
            int length = sizeof reply;
            dumpCmd(cmd.Data(), static_cast<std::size_t>(cmd.Length()));
            if (KV_QueryCmd(cmd.Data(), cmd.Length(), reply, &length) == 0)
                ProcessCommData(std::string{static_cast<char>(reply[0]), '\0', '\0', '\0'});
        } else {
            ProcessCommData(commArbiter().lastStatus());
        }
    }
    log(4, "<<< OnReadTimeout");
}

void CCashDrawer::ProcessCommData(const std::string& reply) {
    if (reply.size() < 4) return;
    std::string hex;
    for (unsigned char c : reply) hex += ByteToHex(c);
    log(5, "    | ProcessCommData: " + hex);
    log(5, "    | m_KVPrinterStatus: " + NumToString(static_cast<int>(m_lastStatus[0])));
    const unsigned char s = m_lastStatus[0], b = static_cast<unsigned char>(reply[0]);
    if (s != b) {
        try {
            if (((s & 0x04) || s == 0) && !(b & 0x04)) {
                m_drawerOpened = 1;
                m_eventQueue.PushEvent(OposEvent{EVENT_STATUS_UPDATE, 1});
                log(4, "CASH_SUE_DRAWEROPEN");
            }
            if (!(s & 0x04) && (b & 0x04)) {
                m_drawerOpened = 0;
                m_eventQueue.PushEvent(OposEvent{EVENT_STATUS_UPDATE, 0});
                log(4, "CASH_SUE_DRAWERCLOSED");
            }
        } catch (const OposQueueError& e) {
            log(1, std::string("ProcessCommData: qErr") + e.what());
        }
    }
    for (int i = 0; i < 4; ++i) m_lastStatus[i] = static_cast<unsigned char>(reply[i]);
    commArbiter().setLastStatus(reply.substr(0, 4));
}

int CCashDrawer::GetPropertyNumber(int pidx) {
    const int previousResult = m_resultCode, previousExtended = m_resultCodeExtended;
    m_resultCode = m_resultCodeExtended = 0;
    int value = 0;
    switch (pidx) {
    case 1: value = hasFlag(FLAG_CLAIMED); break;
    case 2: value = hasFlag(FLAG_DATA_EVENT_ENABLED); break;
    case 3: value = hasFlag(FLAG_DEVICE_ENABLED); break;
    case 4: value = hasFlag(FLAG_FREEZE_EVENTS); break;
    case 6: value = previousResult; break;
    case 7: value = previousExtended; break;
    case 8: value = 1008003; break;
    case 9: value = m_state; break;
    case 10: value = hasFlag(FLAG_AUTO_DISABLE); break;
    case 11: value = binaryConversion(); break;
    case 12: value = m_eventQueue.EventCount(EVENT_DATA); break;
    case 13: case 501: case 503: value = 0; break;
    case 14: value = 2000; break;
    case 502: value = 1; break;
    case 1001: value = m_drawerOpened; break;
    case 1501: value = m_capStatus; break;
    case 1502: value = m_capStatusMultiDrawerDetect; break;
    default:
        log(2, "Warning: Invalid property number specified.");
        m_resultCode = OPOS_E_ILLEGAL;
        break;
    }
    log(5, "    | pNumber: " + NumToString(value));
    return value;
}

void CCashDrawer::SetPropertyNumber(int pidx, int value) {
    m_resultCode = m_resultCodeExtended = 0;
    switch (pidx) {
    case 2: DataEventEnable(value != 0); break;
    case 3: DeviceEnable(value != 0); break;  // no claim needed
    case 4: setFreezeEventsProperty(value != 0); break;
    case 10: setAutoDisableProperty(value != 0); break;
    case 11: setBinaryConversion(value); break;
    case 13:
        if (value == 0 || value == 1) {
            m_powerNotify = value;
            break;
        }
        [[fallthrough]];
    default:
        log(2, "Warning: Invalid property number specified.");
        m_resultCode = OPOS_E_ILLEGAL;
        break;
    }
}

std::u16string CCashDrawer::GetPropertyString(int pidx) {
    m_resultCode = m_resultCodeExtended = 0;
    std::string text;
    switch (pidx) {
    case 1000001: text = m_checkHealthText; break;
    case 1000002: text = m_deviceDescription; break;
    case 1000003: text = m_deviceName; break;
    case 1000004: text = "KV OPOS Service Object"; break;
    default:
        log(2, "Warning: Invalid property number specified.");
        text = "[Error]";
        m_resultCode = OPOS_E_ILLEGAL;
        break;
    }
    return ansiToUtf16(EncodeBinaryConversion(text, binaryConversion()));
}

}  // namespace

DispatchObject* CreateCashDrawerServiceObject(IUnknown* outer) { return new CCashDrawer(outer); }

}  // namespace vornik::so
