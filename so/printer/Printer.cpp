#include "Printer.h"

#include "BinaryConversion.h"
#include "discovery/SerialPortNames.h"
#include "infra/DeviceConfig.h"
#include "infra/DriverLog.h"
#include "infra/Errors.h"
#include "infra/Text.h"
#include "pipeline/StoredImages.h"
#include "platform/Clock.h"
#include "platform/CodePages.h"
#include "platform/Image.h"

#include <conlink/Conlink.h>

#include <cctype>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <filesystem>

namespace vornik::so {

using namespace platform;

std::atomic<int> g_printerClaimCount{0};

namespace {

const char kTag[] = "ZoriraRIdirOzereza";
constexpr int OPOS_E_NOTCLAIMED = 103;
constexpr int OPOS_E_DISABLED = 105;
constexpr int OPOS_E_ILLEGAL = 106;
constexpr int OPOS_E_NOHARDWARE = 107;
constexpr int OPOS_E_CLAIMED = 102;
constexpr int OPOS_OR_FAILEDOPEN = 403;
constexpr int kExtendedSuccess = 201;
const char kMutexName[] = "Vornik_OposPrinter";

std::string ansi(const std::u16string& s) { return utf16ToAnsi(s); }
std::u16string wide(const std::string& s) { return ansiToUtf16(s); }

const char* propertyName(int pidx) {
    switch (pidx) {
    case 1: return "\t Claimed";
    case 2: return "\t DataEventEnabled";
    case 3: return "\t DeviceEnabled";
    case 4: return "\t FreezeEvents";
    case 6: return "\t ResultCode";
    case 7: return "\t ResultCodeExtended";
    case 8: return "\t ServiceObjectVersion";
    case 9: return "\t State";
    case 10: return "\t AutoDisable";
    case 11: return "\t BinaryConversion";
    case 12: return "\t DataCount";
    case 13: return "\t PowerNotify";
    case 14: return "\t PowerState";
    case 501: return "\t CapPowerReporting";
    case 502: return "\t CapStatisticsReporting";
    case 503: return "\t CapUpdateStatistics";
    case 8001: return "\t AsyncMode";
    case 8005: return "\t FlagWhenIdle";
    case 1000001: return "\t CheckHealthText";
    case 1000002: return "\t DeviceDescription";
    case 1000003:
    case 1000004: return "\t DeviceName";
    default: return "\t Unknown";
    }
}

// The 46-character text that PrintNormal treats as empty: ESC "|bC", 41 spaces, LF.
bool isEmptyBoldLine(const std::u16string& data) {
    static const std::u16string empty = u"\x1b|bc" + std::u16string(41, u' ') + u"\n";
    if (data.size() != empty.size()) return false;
    for (std::size_t i = 0; i < data.size(); ++i) {
        char16_t c = data[i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != empty[i]) return false;
    }
    return true;
}

}  // namespace

ZoriraRIdirOzereza::ZoriraRIdirOzereza(IUnknown* outer) : ServiceObject(IOposPrinterInfo(), "CPrinterWindow", outer) {
    m_resultCode = 101;
    m_eventQueue.SetCallback([this](const OposEvent& e) { ProcessEvent(e); });
}

ZoriraRIdirOzereza::~ZoriraRIdirOzereza() { shutdown(); }

void ZoriraRIdirOzereza::log(int level, const std::string& text) const {
    if (level <= g_fileLog.verbosity()) g_fileLog.Log(level, kTag, text);
}

std::string ZoriraRIdirOzereza::decodeInput(const std::u16string& text) const {
    return DecodeBinaryConversion(ansi(text), binaryConversion());
}

void ZoriraRIdirOzereza::requireStation(int station, const char* message) {
    if (station != 2) {
        m_resultCode = OPOS_E_ILLEGAL;
        throw OposError(message);
    }
}

// ---------------------------------------------------------------------------
// Dispatch

HRESULT ZoriraRIdirOzereza::handle(DISPID id, CallArgs& a) {
    namespace P = printer_id;
    try {
        switch (id) {
        case P::COFreezeEvents: setResult(a, COFreezeEvents(a.boolean(0))); break;
        case P::GetPropertyNumber: *a.retvalI4() = GetPropertyNumber(a.i4(0)); break;
        case P::SetPropertyNumber: SetPropertyNumber(a.i4(0), a.i4(1)); break;
        case P::GetPropertyString: *a.retvalBstr() = GetPropertyString(a.i4(0)); break;
        case P::SetPropertyString: SetPropertyString(a.i4(0), a.bstr(1)); break;
        case P::OpenService: setResult(a, OpenService(a.bstr(0), a.bstr(1), a.dispatch(2))); break;
        case P::CloseService: setResult(a, CloseService()); break;
        case P::ClaimDevice: setResult(a, ClaimDevice(a.i4(0))); break;
        case P::ReleaseDevice: setResult(a, ReleaseDevice()); break;
        case P::GetOpenResult: setResult(a, m_openResult); break;
        case P::CheckHealth: setResult(a, CheckHealth(a.i4(0))); break;
        case P::ClearInput:
            m_eventQueue.RemoveEventsOfType(EVENT_DATA);
            m_eventQueue.RemoveEventsOfType(EVENT_ERROR);
            setResult(a, 0);
            break;
        case P::ClearOutput:
            m_cmd.Clear();
            setResult(a, 0);
            break;
        case P::DirectIO:
            if (!a.i4Ref(1) || !a.bstrRef(2)) {
                m_resultCode = OPOS_E_ILLEGAL;
                throw OposError("DirectIO:pRC NULL");
            }
            setResult(a, DirectIO(*a.bstrRef(2)));
            break;
        case P::ResetStatistics:
        case P::UpdateStatistics:
            log(5, "    | statisticsBuffer = " + ansi(a.bstr(0)));
            m_resultCodeExtended = 0;
            setResult(a, OPOS_E_ILLEGAL);
            break;
        case P::RetrieveStatistics:
            if (a.bstrRef(0)) log(5, "    | String: " + ansi(*a.bstrRef(0)));
            break;
        case P::CompareFirmwareVersion:
        case P::UpdateFirmware: break;  // nothing to compare or update; no result is stored
        case P::PrintNormal: PrintNormal(a.i4(0), a.bstr(1), false); break;
        case P::PrintImmediate:
            PrintNormal(a.i4(0), a.bstr(1), true);
            *a.retvalI4() = m_resultCode;
            break;
        case P::PrintTwoNormal:
            m_resultCode = OPOS_E_ILLEGAL;
            if (!hasFlag(FLAG_CLAIMED)) m_resultCode = OPOS_E_NOTCLAIMED;
            else if (!hasFlag(FLAG_DEVICE_ENABLED)) m_resultCode = OPOS_E_DISABLED;
            else m_resultCodeExtended = kExtendedSuccess;
            *a.retvalI4() = m_resultCode;
            break;
        case P::ValidateData: setResult(a, ValidateData(a.i4(0), a.bstr(1))); break;
        case P::CutPaper: setResult(a, CutPaper(a.i4(0))); break;
        case P::MarkFeed: setResult(a, MarkFeed(a.i4(0))); break;
        case P::TransactionPrint: setResult(a, TransactionPrint(a.i4(0), a.i4(1))); break;
        case P::RotatePrint: setResult(a, RotatePrint(a.i4(0), a.i4(1))); break;
        case P::BeginInsertion:
        case P::BeginRemoval:
        case P::EndInsertion:
        case P::EndRemoval:
        case P::ChangePrintSide: setResult(a, OPOS_E_ILLEGAL); break;
        case P::PageModePrint: PageModePrint(a.i4(0)); break;
        case P::ClearPrintArea: setResult(a, ClearPrintArea()); break;
        case P::DrawRuledLine: setResult(a, DrawRuledLine(a.i4(0))); break;
        case P::PrintBarCode:
            setResult(a, PrintBarCode(a.i4(0), a.bstr(1), a.i4(2), a.i4(3), a.i4(4), a.i4(5), a.i4(6)));
            break;
        case P::PrintBitmap: setResult(a, PrintBitmap(a.i4(0), a.bstr(1), a.i4(2), a.i4(3))); break;
        case P::SetBitmap: setResult(a, SetBitmap(a.i4(0), a.i4(1), a.bstr(2), a.i4(3), a.i4(4))); break;
        case P::PrintMemoryBitmap: PrintMemoryBitmap(a.i4(0), a.bstr(1), a.i4(2), a.i4(3), a.i4(4)); break;
        case P::SetLogo:
            log(4, ">>> SetLogo");
            m_resultCode = OPOS_E_ILLEGAL;
            throw OposError("SetLogo location error");
        default: setResult(a, OPOS_E_ILLEGAL); break;
        }
    } catch (const OposError& e) {
        log(1, std::string("Error: ") + e.what());
        setResult(a, m_resultCode);
    } catch (const KVError& e) {
        log(1, std::string("Error: ") + e.what());
        setResult(a, OPOS_E_FAILURE);
    }
    return S_OK;
}

void ZoriraRIdirOzereza::onMessage(unsigned message, std::uintptr_t wParam, std::intptr_t) {
    switch (message) {
    case WM_TIMER_MESSAGE:
        log(4, ">>> OnReconnectTimeout" + NumToString(static_cast<int>(wParam)));
        break;
    case kDataEventMessage:
        try {
            m_events.FireDataEvent(static_cast<int>(wParam));
        } catch (const KVError& e) {
            log(1, std::string("Error: OnDataEvent") + e.what());
        }
        break;
    case kErrorEventMessage:
        m_state = 4;
        m_errorLevel = 1;
        m_errorString.clear();
        break;
    case kOutputCompleteMessage:
        if (hasFlag(FLAG_ASYNC_MODE)) {
            ++m_outputId;
            try {
                m_eventQueue.PushEvent(OposEvent{EVENT_OUTPUT_COMPLETE, m_outputId});
            } catch (const OposQueueError& e) {
                log(1, std::string("Error: OutputComplete ") + e.what());
            }
        }
        break;
    case kAutoDisableMessage: DeviceEnable(false); break;
    default: break;
    }
}

void ZoriraRIdirOzereza::ProcessEvent(const OposEvent& e) {
    log(4, ">>> ProcessEvent" + NumToString(e.type));
    switch (e.type) {
    case EVENT_DATA:
        log(4, ">>> HandleDataEvent");
        window().SendMessage(kDataEventMessage, static_cast<std::uintptr_t>(e.value1), 0);
        log(4, "<<< HandleDataEvent");
        break;
    case EVENT_ERROR:
        log(4, ">>> HandleErrorEvent");
        window().SendMessage(kErrorEventMessage, 0, 0);
        log(4, "<<< HandleErrorEvent");
        break;
    case EVENT_OUTPUT_COMPLETE:
        log(4, ">>> HandleOutputCompleteEvent");
        try {
            CheckOutputCompleteEvent(e);
            m_events.FireOutputCompleteEvent(e.value1);
        } catch (const OposEventError& err) {
            log(1, std::string("Error: HandleOutputCompleteEvent") + err.what());
        }
        log(4, "<<< HandleOutputCompleteEvent");
        break;
    case EVENT_STATUS_UPDATE: HandleStatusUpdateEvent(e, kTag); break;
    case EVENT_DISABLE_REQUEST: window().SendMessage(kAutoDisableMessage, 0, 0); break;
    default: break;
    }
    log(4, "<<< ProcessEvent");
}

// ---------------------------------------------------------------------------
// Life cycle

int ZoriraRIdirOzereza::OpenService(const std::u16string& deviceClass, const std::u16string& deviceName,
                                    IDispatch* dispatch) {
    CloseService();
    std::setlocale(LC_ALL, "");
    const std::string cls = ansi(deviceClass), ldn = ansi(deviceName);
    PrinterConfig config{m_characterSet, m_paperType};
    std::string error;
    // The reading sequence logs the entry lines itself once the log is set up.
    const bool ok = ReadPrinterConfiguration(*this, config, cls, ldn, kTag, &error);
    log(4, std::string(60, '-'));
    log(4, ">>> OpenService");
    log(5, "    | DeviceClass: " + cls);
    log(5, "    | DeviceName:  " + ldn);
    m_characterSet = config.codePage;
    m_paperType = config.paperType;
    if (!ok) {
        log(1, "Error: OpenService: " + error);
        m_resultCode = m_openResult = OPOS_OR_FAILEDOPEN;
        log(5, "    | pRC: " + NumToString(m_resultCode));
        log(4, "<<< OpenService");
        return OPOS_OR_FAILEDOPEN;
    }
    m_deviceName = "Rivedu " + m_model + " Printer";
    m_deviceDescription = "Rivedu " + m_model + " POS Printer";

    m_recLineChars = 42;
    m_recLineWidthDots = 576;
    m_recLineHeight = m_recLineSpacing = 0;
    m_recLinesToPaperCut = 5;
    m_recNearEnd = m_recSidewaysMaxChars = m_recSidewaysMaxLines = 0;
    m_recEmpty = m_coverOpen = 0;
    m_errorString.clear();
    m_mapCharacterSet = m_rotateSpecial = m_errorLevel = 1;
    m_mapMode = 1;
    m_flagWhenIdle = 0;
    m_pageModeStation = m_pageModeHorizontalPosition = m_pageModePrintDirection = m_pageModeVerticalPosition = 0;
    m_pageModeState = 3;
    std::memset(m_printerStatusBytes, 0, sizeof m_printerStatusBytes);
    m_outputId = 0;
    m_outputMode = 0;
    m_rotation = 0x0001;
    m_longestLine = 0;
    m_mutex = std::make_unique<NamedLock>(kMutexName);

    m_events.Attach(dispatch);
    setOpenedFlags();
    m_state = 2;
    m_resultCode = m_openResult = 0;
    log(5, "    | pRC: 0");
    log(4, "<<< OpenService");
    return 0;
}

int ZoriraRIdirOzereza::CloseService() {
    log(4, ">>> CloseService");
    if (hasFlag(FLAG_OPENED)) {
        if (hasFlag(FLAG_CLAIMED)) ReleaseDevice();
        m_mutex.reset();
        setFlag(FLAG_OPENED, false);
        m_state = 1;
        m_events.Attach(nullptr);
    }
    m_resultCode = 0;
    FreeBitmapEntries(g_storedBitmaps, kStoredBitmapCount);
    FreeBitmapEntries(g_logos, kLogoCount);
    log(5, "    | pRC: 0");
    log(4, "<<< CloseService");
    return 0;
}

int ZoriraRIdirOzereza::ClaimDevice(int timeout) {
    log(4, ">>> ClaimDevice");
    log(5, "    | Timeout: " + NumToString(timeout));
    log(5, "    | Mutex:   " + NumToString(static_cast<const void*>(m_mutex.get())));
    int rc = 0;
    if (hasFlag(FLAG_CLAIMED)) {
        log(5, "    | Device claimed already by this app.");
    } else if (!m_mutex) {
        rc = 101;  // not opened
    } else {
        // Serial ports and USB printers must be attached; the other kinds are not checked.
        bool present = true;
        if (m_ioType == IO_USB) {
            const bool longEnough = m_usbPort.size() >= 25;
            present = longEnough ? devio::isUsbDeviceAttached(m_usbPort.substr(8, 8), m_usbPort.substr(17, 8))
                                 : m_usbPort.rfind('/', 0) == 0;  // a device node given as a path
        } else if (m_ioType != IO_ETHERNET && m_ioType != IO_LPT) {
            present = devio::isSerialPortAttached(m_serialPort);
        }
        if (!present) {
            m_resultCode = OPOS_E_NOHARDWARE;
            log(4, "<<< ClaimDevice");
            return OPOS_E_NOHARDWARE;
        }
        connectByIoType(kTag);
        processClock().sleepFor(std::chrono::milliseconds(150));
        if (m_mutex->acquire(timeout) != LockWait::Acquired) {
            log(2, "Warning: ClaimDevice: The device has already been claimed by another application.");
            rc = OPOS_E_CLAIMED;
        } else {
            setFlag(FLAG_CLAIMED, true);
            ++g_printerClaimCount;
        }
    }
    m_resultCode = rc;
    log(5, "    | pRC: " + NumToString(rc));
    log(4, "<<< ClaimDevice");
    return rc;
}

int ZoriraRIdirOzereza::ReleaseDevice() {
    log(4, ">>> ReleaseDevice");
    log(5, "    | Mutex:   " + NumToString(static_cast<const void*>(m_mutex.get())));
    int rc = 0;
    if (!hasFlag(FLAG_CLAIMED)) {
        log(2, "Warning: ReleaseDevice: Cannot release a device that has not been claimed.");
        rc = OPOS_E_NOTCLAIMED;
    } else {
        if (hasFlag(FLAG_DEVICE_ENABLED)) DeviceEnable(false);
        m_eventQueue.SetAllowableEvents(0);
        m_eventQueue.ClearEvents();
        if (m_mutex && m_mutex->release()) log(5, "    | Released the mutex that grants exclusive access.");
        setFlag(FLAG_CLAIMED, false);
        int n = g_printerClaimCount.load();
        while (n > 0 && !g_printerClaimCount.compare_exchange_weak(n, n - 1)) {
        }
    }
    m_resultCode = rc;
    log(5, "    | pRC: " + NumToString(rc));
    log(4, "<<< ReleaseDevice");
    return rc;
}

void ZoriraRIdirOzereza::DeviceEnable(bool enable) {
    m_resultCode = 0;
    log(4, ">>> DeviceEnable");
    log(5, std::string("    | Enable:       ") + (enable ? "1" : "0"));
    log(5, "    | IOTypeIdx: " + NumToString(m_ioType));
    log(5, "    | ModelNumber:  " + m_model);
    if (enable && !hasFlag(FLAG_DEVICE_ENABLED)) {
        if (m_ioType == IO_ETHERNET) {
            log(5, "    | Waiting for device to be released by other applications...");
            processClock().sleepFor(std::chrono::milliseconds(4000));
        }
        m_eventQueue.SetAllowableEvents(31);
        m_eventQueue.SetEnabledEvents(28);
        if (hasFlag(FLAG_DATA_EVENT_ENABLED)) m_eventQueue.SetEnabledEvents(m_eventQueue.GetEnabledEvents() | 1);
        DeviceCommEnable(true);
        setFlag(FLAG_DEVICE_ENABLED, true);
        window().SetTimer(kTimerA, 1000);
        window().SetTimer(kTimerB, 1000);
    } else if (!enable && hasFlag(FLAG_DEVICE_ENABLED)) {
        m_eventQueue.SetAllowableEvents(0);
        if (DeviceCommEnable(false)) setFlag(FLAG_DEVICE_ENABLED, false);
        window().KillTimer(kTimerA);
        window().KillTimer(kTimerB);
        log(5, "    | Waiting for device to be claimed by other applications...");
        processClock().sleepFor(std::chrono::milliseconds(1000));
    }
    log(4, "<<< DeviceEnable");
}

bool ZoriraRIdirOzereza::DeviceCommEnable(bool) {
    log(4, ">>> DeviceCommEnable");
    log(4, "<<< DeviceCommEnable");
    return true;
}

int ZoriraRIdirOzereza::COFreezeEvents(bool freeze) {
    log(5, std::string("    | Freeze: ") + (freeze ? "1" : "0"));
    setFlag(FLAG_CO_FROZEN, freeze);
    FreezeEvents();
    m_resultCode = 0;
    return 0;
}

int ZoriraRIdirOzereza::CheckHealth(int level) {
    switch (level) {
    case 1: m_checkHealthText = "Internal HCheck: Complete"; return 0;
    case 2: m_checkHealthText = "External HCheck: Complete"; return 0;
    case 3: m_checkHealthText = "Interactive HCheck: Complete"; return 0;
    default:
        log(2, "Warning: Invalid CheckHealth level specified.");
        m_checkHealthText = "[Error]";
        return OPOS_E_ILLEGAL;
    }
}

int ZoriraRIdirOzereza::DirectIO(const std::u16string& text) {
    const std::string bytes = decodeInput(text);
    m_cmd.Append(bytes.data(), static_cast<int>(bytes.size()));
    SendCmd();
    m_cmd.Clear();
    window().SendMessage(kOutputCompleteMessage, 0, 0);
    return 0;
}

void ZoriraRIdirOzereza::SendCmd() {
    dumpCmd(m_cmd.Data(), static_cast<std::size_t>(m_cmd.Length()));
    KV_SendCmd(m_cmd.Data(), m_cmd.Length());
}

// ---------------------------------------------------------------------------
// Properties

int ZoriraRIdirOzereza::recLineWidthInMapMode() const {
    const double w = m_recLineWidthDots;
    double v;
    switch (m_mapMode) {
    case 1: v = w; break;
    case 2: v = w * 0.125 / 25.4 * 1440; break;
    case 3: v = w * 0.125 / 25.4 * 1000; break;
    default: v = w * 0.125 * 100; break;
    }
    return static_cast<int>(v);
}

int ZoriraRIdirOzereza::GetPropertyNumber(int pidx) {
    const int level = pidx == 12 ? 6 : 4;
    log(level, std::string(">>> GetPropertyNumber") + propertyName(pidx));
    log(pidx == 12 ? 6 : 5, "    | PropIndex: " + NumToString(pidx));
    const int previousResult = m_resultCode, previousExtended = m_resultCodeExtended;
    m_resultCode = m_resultCodeExtended = 0;
    const bool claimed = hasFlag(FLAG_CLAIMED);
    auto refused = [&](const std::string& warning, int code, const char* tag = kTag) {
        if (2 <= g_fileLog.verbosity()) g_fileLog.Log(2, tag, warning);
        m_resultCode = code;
        return 0;
    };
    const char* notClaimed = "Cannot check the device enabled property before it has been claimed.";
    int value = 0;
    switch (pidx) {
    case 1: value = claimed; break;
    case 2: value = hasFlag(FLAG_DATA_EVENT_ENABLED); break;
    case 3: value = claimed ? hasFlag(FLAG_DEVICE_ENABLED) : refused(std::string("Warning: ") + notClaimed, OPOS_E_ILLEGAL); break;
    case 4: value = hasFlag(FLAG_FREEZE_EVENTS); break;
    case 5: value = m_outputId; log(2, "Get Output ID" + NumToString(m_outputId)); break;
    case 6: value = previousResult; break;
    case 7: value = previousExtended; break;
    case 8: value = 1014001; break;
    case 9: value = m_state; break;
    case 10: value = hasFlag(FLAG_AUTO_DISABLE); break;
    case 11: value = binaryConversion(); break;
    case 12: value = m_eventQueue.EventCount(EVENT_DATA); break;
    case 13: value = 0; break;
    case 14: value = 2000; break;
    case 501: value = 0; break;
    case 502: value = 1; break;
    case 503: value = 0; break;
    case 8001: value = hasFlag(FLAG_ASYNC_MODE); break;
    case 8002: value = m_characterSet; break;
    case 8003: value = claimed ? m_coverOpen : refused(std::string("Warning RecLineChars: ") + notClaimed, OPOS_E_NOTCLAIMED); break;
    case 8005: value = m_flagWhenIdle; break;
    case 8013: value = m_mapMode; break;
    case 8014: value = claimed ? m_recEmpty : refused(std::string("Warning RecLineChars: ") + notClaimed, OPOS_E_NOTCLAIMED); break;
    case 8016: value = claimed ? m_recLineChars : refused(std::string("Warning RecLineChars: ") + notClaimed, OPOS_E_NOTCLAIMED); break;
    case 8017: value = claimed ? m_recLineHeight : refused(std::string("Warning RecLineHeight: ") + notClaimed, OPOS_E_NOTCLAIMED); break;
    case 8018: value = claimed ? m_recLineSpacing : refused(std::string("Warning RecLineSpacing: ") + notClaimed, OPOS_E_NOTCLAIMED); break;
    case 8019: value = claimed ? m_recLinesToPaperCut : refused(std::string("Warning RecLinesToPaperCut: ") + notClaimed, OPOS_E_NOTCLAIMED); break;
    case 8020: value = recLineWidthInMapMode(); break;
    case 8021: value = claimed ? m_recNearEnd : refused(std::string("Warning RecNearEnd: ") + notClaimed, OPOS_E_NOTCLAIMED); break;
    case 8022: value = claimed ? m_recSidewaysMaxChars : refused(std::string("Warning RecSidewaysMaxChars: ") + notClaimed, OPOS_E_NOTCLAIMED); break;
    case 8023:
        value = claimed ? m_recSidewaysMaxLines
                        : refused(std::string("Warning: ") + notClaimed, OPOS_E_NOTCLAIMED,
                                  "ZoriraRIdirOzereza RecSidewaysMaxLines");
        break;
    case 8035: value = m_errorLevel; break;
    case 8036: value = m_rotateSpecial; break;
    case 8038: value = 0x10000000; break;
    case 8044:
        value = claimed ? 0
                        : refused(std::string("Warning: ") + notClaimed, OPOS_E_ILLEGAL,
                                  "ZoriraRIdirOzereza SlpCurrentCartridge");
        break;
    case 8045: value = m_mapCharacterSet; break;
    case 8047: value = m_pageModeHorizontalPosition; break;
    case 8048: value = m_pageModePrintDirection; break;
    case 8049: value = m_pageModeStation; break;
    case 8050: value = m_pageModeVerticalPosition; break;
    case 8504: case 8516: case 8517: case 8518: case 8519: case 8520: case 8521: case 8522: case 8524: case 8525:
    case 8526: case 8527: case 8528: case 8529: case 8531: case 8549: case 8553: case 8558: case 8560:
        value = 1;
        break;
    case 8548: value = 11; break;
    default:
        log(2, "Warning: Invalid property number specified.");
        m_resultCode = OPOS_E_ILLEGAL;
        value = 0;
        break;
    }
    log(pidx == 12 ? 6 : 5, "    | PropIndex: " + NumToString(pidx));
    log(5, "    | Number: " + NumToString(value));
    log(level, std::string("<<< GetPropertyNumber") + propertyName(pidx));
    return value;
}

void ZoriraRIdirOzereza::SetPropertyNumber(int pidx, int value) {
    log(4, std::string(">>> SetPropertyNumber") + propertyName(pidx));
    log(5, "    | PropIndex: " + NumToString(pidx));
    log(5, "    | Number: " + NumToString(value));
    m_resultCode = m_resultCodeExtended = 0;
    switch (pidx) {
    case 2: DataEventEnable(value != 0); break;
    case 3:
        if (!hasFlag(FLAG_CLAIMED)) {
            log(2, "Warning: The device must be claimed before it can be enabled.");
            m_resultCode = OPOS_E_NOTCLAIMED;
        } else {
            DeviceEnable(value != 0);
        }
        break;
    case 4: setFreezeEventsProperty(value != 0); break;
    case 10: setAutoDisableProperty(value != 0); break;
    case 11: setBinaryConversion(value); break;
    case 13:
        if (value == 0 || value == 1) m_powerNotify = value;
        else m_resultCode = OPOS_E_ILLEGAL;
        break;
    case 8001: setFlag(FLAG_ASYNC_MODE, value != 0); break;
    case 8002: m_characterSet = value; break;
    case 8005: m_flagWhenIdle = value; break;
    case 8013: m_mapMode = value; break;
    case 8036: m_rotateSpecial = value; break;
    case 8047: m_pageModeHorizontalPosition = value; break;
    case 8048: m_pageModePrintDirection = value; break;
    case 8049:
        if (value == 2 || value == 4) {
            m_pageModeStation = value;
            if (m_pageModePrintDirection == 0) m_pageModePrintDirection = 1;
        } else {
            m_pageModeStation = 0;
        }
        break;
    case 8050: m_pageModeVerticalPosition = value; break;
    default:
        log(2, "Warning: An invalid property number was specified.");
        m_resultCode = OPOS_E_ILLEGAL;
        break;
    }
    log(4, std::string("<<< SetPropertyNumber") + propertyName(pidx));
}

std::u16string ZoriraRIdirOzereza::GetPropertyString(int pidx) {
    log(5, "    | PropIndex: " + NumToString(pidx));
    m_resultCode = m_resultCodeExtended = 0;
    std::string text;
    switch (pidx) {
    case 1000001: text = m_checkHealthText; break;
    case 1000002: text = m_deviceDescription; break;
    case 1000003: text = m_deviceName; break;
    case 1000004: text = "KV OPOS Service Object"; break;
    case 1008001: text = "255,437,850,852,860,863,865,866,936,998,999,1252"; break;
    case 1008002:
    case 1008004: text = "71,70,69,68,67,66,65,64,63,62,61,60,59,58,57,56,55"; break;
    case 1008003: text = "42,56"; break;
    case 1008005: text = m_errorString; break;
    case 1008007:
    case 1008009: text = "0,R90,L90,180"; break;
    case 1008008:
    case 1008010: text.clear(); break;
    case 1008011: text = m_pageModeArea; break;
    case 1008012: text = m_pageModePrintArea; break;
    default:
        log(2, "Warning: An invalid property number was specified.");
        text = "[Error]";
        m_resultCode = OPOS_E_ILLEGAL;
        break;
    }
    const std::string encoded = EncodeBinaryConversion(text, binaryConversion());
    log(5, "    | String: " + encoded);
    return wide(encoded);
}

void ZoriraRIdirOzereza::SetPropertyString(int pidx, const std::u16string& value) {
    log(5, "    | PropIndex: " + NumToString(pidx));
    log(5, "    | String: " + ansi(value));
    m_resultCode = m_resultCodeExtended = 0;
    if (pidx == 1008011) m_pageModeArea = ansi(value);
    else if (pidx == 1008012) m_pageModePrintArea = ansi(value);
    else {
        log(2, "Warning: An invalid property number was specified.");
        m_resultCode = OPOS_E_ILLEGAL;
    }
    log(4, "<<<  SetPropertyString");
}

// ---------------------------------------------------------------------------
// Status

bool ZoriraRIdirOzereza::QueryPrinterStatus() {
    EscCmd cmd;
    cmd.QueryOfflineCause();
    unsigned char reply[64] = {};
    int length = sizeof reply;
    const int rc = KV_QueryCmd(cmd.Data(), cmd.Length(), reply, &length);
    if (rc != 0) log(4, "QueryCmd fail: " + NumToString(rc));
    std::string bytes;
    for (std::size_t i = 0; i < sizeof reply - 1 && reply[i] != 0; ++i) bytes += static_cast<char>(reply[i]);
    if (rc != 0) bytes.clear();
    ProcessCommData(bytes);
    return rc == 0;
}

void ZoriraRIdirOzereza::ProcessCommData(const std::string& reply) {
    if (reply.size() < 4) return;
    int b[4];
    for (int i = 0; i < 4; ++i) b[i] = static_cast<signed char>(reply[i]);
    const int* p = m_printerStatusBytes;
    try {
        if (p[1] != b[1]) {
            if (((p[1] & 0x04) || p[1] == 0) && !(b[1] & 0x04)) {
                m_coverOpen = 0;
                m_eventQueue.PushEvent(OposEvent{EVENT_STATUS_UPDATE, 12});
            }
            if (!(p[1] & 0x04) && (b[1] & 0x04)) {
                m_coverOpen = 1;
                m_eventQueue.PushEvent(OposEvent{EVENT_STATUS_UPDATE, 11});
            }
        }
        if (p[3] != b[3]) {
            if (!(p[3] & 0x60) && (b[3] & 0x60)) {
                m_recNearEnd = 0;
                m_recEmpty = 1;
                m_eventQueue.PushEvent(OposEvent{EVENT_STATUS_UPDATE, 24});
            }
            if (((p[3] & 0x60) || p[3] == 0) && !(b[3] & 0x60)) {
                m_recNearEnd = 0;
                m_recEmpty = 0;
                m_eventQueue.PushEvent(OposEvent{EVENT_STATUS_UPDATE, 26});
                if (4 <= g_fileLog.verbosity())
                    g_fileLog.Log(4, "ZoriraRIdirOzereza ProcessCommData", "<<< m_IsKVPrinter = TRUE");
            }
        }
    } catch (const OposEventError& e) {
        log(1, std::string("ProcessCommData: E") + e.what());
    } catch (const OposQueueError& e) {
        log(1, std::string("ProcessCommData: qErr") + e.what());
    }
    for (int i = 0; i < 4; ++i) m_printerStatusBytes[i] = b[i];
    commArbiter().setLastStatus(reply);
    log(5, "    | ProcessCommData: " + NumToString(b[0]) + " " + NumToString(b[1]) + " " + NumToString(b[2]) + " " +
               NumToString(b[3]));
}

// ---------------------------------------------------------------------------
// Print methods

void ZoriraRIdirOzereza::buildPrefix(Cmd& prefix, bool sending) {
    if (sending) prefix.SelectPeripheral(1);
    prefix.SetJustification(0);
    prefix.SetLeftMargin(0, 0);
    prefix.SetUpsideDown(m_rotation == 0x0103 ? 1 : 0);
    prefix.SelectDoubleByteCode(m_characterSet);
    prefix.SelectCodeTable(m_characterSet & 0xFF);
    prefix.SetCharacterSize(0);
    prefix.SetFs3Value(30);
    std::vector<std::uint8_t> logo;
    if (g_topLogoRequested.load() && CopyBitmapEntry(g_logos, 0, logo)) {
        OposDataParser fresh(m_mapMode);
        fresh.OposCmdAndDataParing(WidenAnsiBytes(std::string(logo.begin(), logo.end())), prefix);
    }
}

void ZoriraRIdirOzereza::appendBottomLogo() {
    std::vector<std::uint8_t> logo;
    if (g_bottomLogoRequested.load() && CopyBitmapEntry(g_logos, 1, logo)) {
        OposDataParser fresh(m_mapMode);
        fresh.OposCmdAndDataParing(WidenAnsiBytes(std::string(logo.begin(), logo.end())), m_cmd);
    }
}

void ZoriraRIdirOzereza::joinPrefix(Cmd& prefix) {
    prefix.Append(m_cmd);
    m_cmd.Clear();
    m_cmd.Append(prefix);
}

void ZoriraRIdirOzereza::endOutput() {
    if (outputHeld()) return;
    SendCmd();
    m_cmd.Clear();
    window().SendMessage(kOutputCompleteMessage, 0, 0);
}

void ZoriraRIdirOzereza::PrintNormal(int station, const std::u16string& data, bool immediate) {
    const char* name = immediate ? "PrintImmediate" : "PrintNormal";
    log(4, std::string(">>> ") + name);
    if (const int rc = readiness(!immediate)) {
        m_resultCode = rc;
        return;
    }
    requireStation(station, immediate ? "PrintImmediate:Invalid Station" : "PrintNormal:Invalid Station");
    dumpData(data.c_str());
    if (!immediate && isEmptyBoldLine(data)) {
        log(4, "<<< PrintNormal EmptyData");
        m_resultCode = 0;
        return;
    }
    const std::string bytes = decodeInput(data);
    g_topLogoRequested = 0;
    g_bottomLogoRequested = 0;
    log(5, std::string(" ") + name + bytes);

    if (outputHeld()) {
        m_keptParser.SetMapMode(m_mapMode);
        const int count = m_keptParser.OposCmdAndDataParing(WidenAnsiBytes(bytes), m_cmd);
        if (count > m_longestLine) m_longestLine = count;
        EscCmd prefix;
        buildPrefix(prefix, false);
        appendBottomLogo();
        joinPrefix(prefix);
        log(5, std::string(" ") + name + " APPend");
        log(4, std::string("<<< ") + name);
        m_resultCode = 0;
        return;
    }
    log(5, std::string(" ") + name + " Call dataParse");
    if (!immediate && bytes.empty()) {
        m_resultCode = 0;
        log(4, std::string("<<< ") + name);
        return;
    }
    if (!QueryPrinterStatus()) {
        log(5, "<<< QueryPrinterStatus Fail");
        m_resultCode = OPOS_E_DISABLED;
        return;
    }
    OposDataParser fresh(m_mapMode);
    fresh.OposCmdAndDataParing(WidenAnsiBytes(bytes), m_cmd);
    EscCmd prefix;
    buildPrefix(prefix, true);
    appendBottomLogo();
    joinPrefix(prefix);
    SendCmd();
    m_cmd.Clear();
    window().SendMessage(kOutputCompleteMessage, 0, 0);
    m_resultCodeExtended = kExtendedSuccess;
    m_resultCode = 0;
    log(4, std::string("<<< ") + name);
}

int ZoriraRIdirOzereza::ValidateData(int station, const std::u16string& data) {
    if (station != 2) {
        m_resultCode = OPOS_E_ILLEGAL;
        throw OposError("ValidateData invalid station");
    }
    return m_keptParser.ValidateOposData(WidenAnsiBytes(decodeInput(data)));
}

int ZoriraRIdirOzereza::CutPaper(int percentage) {
    if (percentage == 50) m_cmd.PartialCut();
    else m_cmd.FullCut();
    endOutput();
    m_resultCodeExtended = kExtendedSuccess;
    return 0;
}

int ZoriraRIdirOzereza::MarkFeed(int type) {
    if (const int rc = readiness()) return rc;
    if (type != 2) {
        m_resultCode = OPOS_E_ILLEGAL;
        throw OposError("MarkFeed type not supported by printer");
    }
    m_cmd.FeedNewLines(4);
    endOutput();
    m_resultCodeExtended = kExtendedSuccess;
    return 0;
}

int ZoriraRIdirOzereza::TransactionPrint(int station, int control) {
    m_resultCode = OPOS_E_ILLEGAL;
    if (station != 2) throw OposError("TransactionPrint invalid station");
    if (control != 11 && control != 12) throw OposError("TransactionPrint Bad 'Control' parameter.");
    EscCmd discard;  // the style flags are cleared without emitting anything
    if (control == 11) {
        m_outputMode |= 0x4;
        m_keptParser.ResetStyles(discard);
    } else {
        m_outputMode &= ~0x4;
        m_keptParser.ResetStyles(discard);
        SendCmd();
        m_cmd.Clear();
        window().SendMessage(kOutputCompleteMessage, 0, 0);
    }
    m_resultCodeExtended = kExtendedSuccess;
    return 0;
}

void ZoriraRIdirOzereza::closeRotatedPage() {
    if (m_cmd.Length() == 0) return;
    EscCmd page;
    page.SelectPageMode();
    page.SetPageArea(0, 0, 512, m_longestLine <= 20 ? 504 : m_longestLine * 24 + 24);
    int direction = 0x0001;
    if ((m_rotation & 0x0103) == 0x0103) direction = 0x0103;
    else if ((m_rotation & 0x0101) == 0x0101) direction = 0x0101;
    else if ((m_rotation & 0x0102) == 0x0102) direction = 0x0102;
    page.SetPageDirection(direction);
    page.SelectDoubleByteCode(m_characterSet);
    page.SelectCodeTable(m_characterSet & 0xFF);
    page.FeedDots(21);
    page.Append(m_cmd);
    m_cmd.Clear();
    m_cmd.Append(page);
    m_cmd.PrintPage();
    if (!(m_outputMode & 0x4)) {
        SendCmd();
        m_cmd.Clear();
    }
    m_resultCode = 0;
}

int ZoriraRIdirOzereza::RotatePrint(int station, int rotation) {
    log(4, ">>> RotatePrint:" + NumToString(rotation));
    if (const int rc = readiness()) return rc;
    m_resultCode = OPOS_E_ILLEGAL;
    if (station != 2) throw OposError("RotatePrint:Invalid Station");
    auto flush = [&] {
        if ((m_outputMode & 0x1) && m_rotation != rotation) closeRotatedPage();
    };
    flush();
    if (rotation == 0x0101 || rotation == 0x0102) {
        m_outputMode |= 0x1;
    } else if (rotation == 0x0103) {
    } else if (rotation & 0x1000) {
        m_outputMode |= 0x1;
        log(4, ">>> RotatePrint: PTR_RP_BARCODE&Rotation");
    } else if (rotation & 0x2000) {
    } else {
        m_outputMode &= ~0x1;
    }
    m_rotation = rotation;
    m_longestLine = 0;
    m_resultCodeExtended = kExtendedSuccess;
    log(4, "<<< RotatePrint");
    return 0;
}

// ---------------------------------------------------------------------------
// Page mode

int ZoriraRIdirOzereza::dots(int v) const {
    double d;
    switch (m_mapMode) {
    case 1: return v;
    case 2: d = v * static_cast<double>(0.0006944444612599909f) * 25.4 * 8; break;
    case 3: d = v * 0.001 * 25.4 * 8; break;
    default: d = v * 0.01 * 8; break;
    }
    d = std::trunc(d);
    return d > 2147483647.0 ? 2147483647 : d < -2147483648.0 ? -2147483647 - 1 : static_cast<int>(d);
}

namespace {

// The four numbers of a print area "x,y,width,height", each read like atoi.
// A text with fewer numbers takes the missing ones from the default area
// (0, 0, 512, 1572); text after the fourth number is ignored.
void parsePrintArea(const std::string& text, int area[4]) {
    static const int defaults[4] = {0, 0, 512, 1572};
    for (int i = 0; i < 4; ++i) area[i] = defaults[i];
    std::size_t start = 0;
    for (int i = 0; i < 4 && start <= text.size(); ++i) {
        const std::size_t comma = text.find(',', start);
        const std::string field = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        area[i] = std::atoi(field.c_str());
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
}

}  // namespace

void ZoriraRIdirOzereza::wrapInPageFrame() {
    int area[4];
    parsePrintArea(m_pageModePrintArea, area);
    EscCmd frame;
    frame.SelectPageMode();
    frame.SetPageArea(area[0], area[1], dots(area[2]), dots(area[3]));
    const int direction = m_pageModePrintDirection == 4   ? 0x0101
                          : m_pageModePrintDirection == 2 ? 0x0102
                          : m_pageModePrintDirection == 3 ? 0x0103
                                                          : 0x0001;
    frame.SetPageDirection(direction);
    m_cmd.SelectDoubleByteCode(m_characterSet);
    m_cmd.SelectCodeTable(m_characterSet & 0xFF);
    const int h = dots(m_pageModeHorizontalPosition), v = dots(m_pageModeVerticalPosition);
    frame.SetAbsolutePosition(h % 256, h / 256);
    frame.SetPageVerticalPosition(v % 256, v / 256);
    frame.Append(m_cmd);
    m_cmd.Clear();
    m_cmd.Append(frame);
}

void ZoriraRIdirOzereza::PageModePrint(int control) {
    log(4, ">>> PageModePrint");
    m_resultCode = OPOS_E_ILLEGAL;
    if (const int rc = readiness()) {
        m_resultCode = rc;
        return;
    }
    const int last = m_pageModeState;
    if (control != last || control == 2) {
        switch (control) {
        case 1: m_outputMode |= 0x2; break;
        case 2:
            if (last == 1) {
                if (m_cmd.Length() > 0) wrapInPageFrame();
                m_cmd.PrintPage();
            } else {
                log(4, ">>> PageModePrint PTR_PM_PRINT_SAVE");
            }
            SendCmd();
            window().SendMessage(kOutputCompleteMessage, 0, 0);
            break;
        case 3:
            m_outputMode &= ~0x2;
            if (last == 1 && m_cmd.Length() > 0) wrapInPageFrame();
            m_cmd.PrintPage();
            SendCmd();
            m_cmd.Clear();
            window().SendMessage(kOutputCompleteMessage, 0, 0);
            break;
        default: {
            m_outputMode &= ~0x2;
            EscCmd standard;
            standard.SelectStandardMode();
            dumpCmd(standard.Data(), static_cast<std::size_t>(standard.Length()));
            KV_SendCmd(standard.Data(), standard.Length());
            m_cmd.Clear();
            window().SendMessage(kOutputCompleteMessage, 0, 0);
            break;
        }
        }
    }
    m_resultCode = 0;
    m_pageModeState = control;
    log(4, "<<< PageModePrint");
}

int ZoriraRIdirOzereza::ClearPrintArea() {
    m_resultCode = OPOS_E_ILLEGAL;
    if (const int rc = readiness()) return rc;
    if (m_pageModeStation != 2) throw OposError("PageMode Station Error");
    if (m_outputMode & 0x2) {
        m_cmd.SelectStandardMode();
        SendCmd();
        m_cmd.Clear();
        window().SendMessage(kOutputCompleteMessage, 0, 0);
    }
    m_resultCodeExtended = kExtendedSuccess;
    return 0;
}

int ZoriraRIdirOzereza::DrawRuledLine(int station) {
    m_resultCode = OPOS_E_ILLEGAL;
    if (const int rc = readiness()) return rc;
    requireStation(station, "DrawRuledLine:Invalid Station");
    return 104;
}

// ---------------------------------------------------------------------------
// Bar codes and bitmaps

namespace {
int justificationFor(int alignment) { return alignment == -1 ? 0 : alignment == -2 ? 1 : 2; }
}  // namespace

int ZoriraRIdirOzereza::PrintBarCode(int station, const std::u16string& data, int symbology, int height, int width,
                                     int alignment, int textPosition) {
    const std::string bytes = ansi(data);
    log(4, ">>> PrintBarCode Data:" + bytes);
    m_resultCode = OPOS_E_ILLEGAL;
    requireStation(station, "PrintBarCode: Invalid Station");
    m_cmd.SetJustification(justificationFor(alignment));
    m_cmd.SetHriPosition(textPosition == -11 ? 0 : textPosition == -12 ? 1 : 2);
    if (symbology != 204) {
        m_cmd.SetBarcodeHeight(dots(height) & 0xFF);
        m_cmd.SetBarcodeWidth(dots(width) & 0xFF);
    }
    switch (symbology) {
    case 101: m_cmd.PrintCheckedBarcode(bytes.c_str(), 65); break;
    case 102: m_cmd.PrintCheckedBarcode(bytes.c_str(), 66); break;
    case 103: m_cmd.PrintBarcode(bytes.c_str(), 68); break;
    case 104: m_cmd.PrintBarcode(bytes.c_str(), 67); break;
    case 106: m_cmd.PrintItfBarcode(bytes.c_str(), 70); break;
    case 107: m_cmd.PrintCodabarBarcode(bytes.c_str(), 71); break;
    case 108: m_cmd.PrintBarcode(bytes.c_str(), 69); break;
    case 109: m_cmd.PrintCode93Barcode(bytes.c_str(), 72); break;
    case 110: {
        if (bytes.size() < 2) return OPOS_E_ILLEGAL;
        const std::string prefixed = bytes.rfind("{A", 0) == 0 ? bytes : "{A" + bytes;
        m_cmd.PrintCode128Barcode(prefixed.c_str(), 73);
        break;
    }
    case 201: m_cmd.PrintPdf417(bytes.c_str(), 1, 3, 2); break;
    case 204:
        m_cmd.SetQrModuleSize(width);
        m_cmd.SetQrErrorCorrection(48);
        m_cmd.PrintQrCode(bytes.c_str(), 0);
        break;
    default: throw OposError(kBarcodeRefused);
    }
    endOutput();
    m_resultCodeExtended = kExtendedSuccess;
    log(4, "<<< PrintBarCode");
    return 0;
}

int ZoriraRIdirOzereza::PrintBitmap(int station, const std::u16string& fileName, int width, int alignment) {
    if (const int rc = readiness()) return rc;
    const std::string path = utf16ToUtf8(fileName);  // file names are UTF-8 on Linux
    log(4, ">>> PrintBitmap FileName:" + path);
    m_resultCode = OPOS_E_ILLEGAL;
    requireStation(station, "PrintBitmap:Invalid Station");
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        m_resultCode = 109;
        throw OposError("PrintBitmap:FileName not exist.");
    }
    m_cmd.SetJustification(justificationFor(alignment));
    BitmapImage image;
    if (!loadImageFile(path, image)) return OPOS_E_ILLEGAL;
    int w = width == -11 ? image.width : dots(width);
    const int cap = m_paperType == 1 ? 384 : 576;
    if (w > cap) w = cap;
    m_cmd.PrintRasterImage(image, w);
    endOutput();
    m_resultCodeExtended = kExtendedSuccess;
    log(4, "<<< PrintBitmap");
    return 0;
}

int ZoriraRIdirOzereza::SetBitmap(int bitmapNumber, int station, const std::u16string& fileName, int width,
                                  int alignment) {
    log(4, ">>> SetBitmap");
    const std::string path = utf16ToUtf8(fileName);
    m_resultCode = OPOS_E_ILLEGAL;
    if (const int rc = readiness()) return rc;
    requireStation(station, "SetBitmap:Invalid Station");
    if (bitmapNumber < 1 || bitmapNumber > kStoredBitmapCount) throw OposError("SetBitmap:Invalid BitmapNumber");
    if (alignment < -3) throw OposError("SetBitmap:Invalid Alignment");
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        m_resultCode = 109;
        throw OposError("PrintBitmap:FileName not exist.");
    }
    BitmapImage image;
    if (!loadImageFile(path, image)) return 109;
    EscCmd stored;
    stored.SetJustification(justificationFor(alignment));
    stored.PrintRasterImage(image, width == -11 ? image.width : dots(width));
    StoreBitmapEntry(g_storedBitmaps, bitmapNumber - 1, stored);
    m_resultCodeExtended = 207;
    log(4, "<<< SetBitmap");
    return 0;
}

void ZoriraRIdirOzereza::PrintMemoryBitmap(int station, const std::u16string& data, int type, int width, int alignment) {
    log(4, ">>> PrintMemoryBitmap");
    m_resultCode = OPOS_E_ILLEGAL;
    if (const int rc = readiness()) {
        m_resultCode = rc;
        return;
    }
    requireStation(station, "PrintMemoryBitmap:Invalid Station");
    if (type != 1) return;  // only BMP: ResultCode stays 106
    // The data carries the file's bytes: narrowed losslessly, then decoded by BinaryConversion.
    const std::string file =
        DecodeBinaryConversion(utf16ToCodePageLossless(data, systemAnsiCodePage()), binaryConversion());
    m_cmd.SetJustification(justificationFor(alignment));
    BitmapImage image;
    if (!decodeImageMemory(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), image)) return;
    m_cmd.PrintRasterImageBottomUp(image, width == -11 ? image.width : dots(width));
    endOutput();
    m_resultCode = 0;
    log(4, "<<< PrintMemoryBitmap");
}

// ---------------------------------------------------------------------------

DispatchObject* CreatePrinterServiceObject(IUnknown* outer) { return new ZoriraRIdirOzereza(outer); }

}  // namespace vornik::so
