// The printer service object ZoriraRIdirOzereza: OPOS life cycle, properties,
// status monitor and print methods of a receipt printer.
//
// All its state is owned by its window thread (every dispatch call, window
// message and timer runs there); the event delivery thread only fires status
// and output-complete events and passes data, error and auto-disable requests
// to the window.
#pragma once

#include "com/ServiceObject.h"
#include "pipeline/Cmd.h"
#include "pipeline/OposDataParser.h"
#include "platform/NamedLock.h"
#include "status/CommData.h"

#include <atomic>
#include <memory>
#include <string>

namespace vornik::so {

// Printer service objects of this process that are claimed (read by the drawer).
extern std::atomic<int> g_printerClaimCount;

class ZoriraRIdirOzereza final : public ServiceObject, public CCommData {
public:
    explicit ZoriraRIdirOzereza(platform::IUnknown* outer);
    ~ZoriraRIdirOzereza() override;

    // Window messages.
    static constexpr unsigned kDataEventMessage = 1125;
    static constexpr unsigned kErrorEventMessage = 1126;
    static constexpr unsigned kOutputCompleteMessage = 1128;
    static constexpr unsigned kAutoDisableMessage = 1200;  // the delivery thread's auto-disable request
    static constexpr int kTimerA = 10, kTimerB = 11;

    void ProcessCommData(const std::string& reply) override;

protected:
    platform::HRESULT handle(platform::DISPID id, platform::CallArgs& args) override;
    void onMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

private:
    // Life cycle (results are OPOS codes).
    int OpenService(const std::u16string& deviceClass, const std::u16string& deviceName, platform::IDispatch* dispatch);
    int CloseService();
    int ClaimDevice(int timeout);
    int ReleaseDevice();
    void DeviceEnable(bool enable);
    bool DeviceCommEnable(bool enable);
    int CheckHealth(int level);
    int DirectIO(const std::u16string& text);
    int COFreezeEvents(bool freeze);

    // Properties.
    int GetPropertyNumber(int pidx);
    void SetPropertyNumber(int pidx, int value);
    std::u16string GetPropertyString(int pidx);
    void SetPropertyString(int pidx, const std::u16string& value);
    int recLineWidthInMapMode() const;

    // Status.
    bool QueryPrinterStatus();
    void ProcessEvent(const OposEvent& event);

    // Print methods.
    void PrintNormal(int station, const std::u16string& data, bool immediate);
    int CutPaper(int percentage);
    int MarkFeed(int type);
    int TransactionPrint(int station, int control);
    int RotatePrint(int station, int rotation);
    int ValidateData(int station, const std::u16string& data);
    void buildPrefix(Cmd& prefix, bool sending);
    void appendBottomLogo();
    void joinPrefix(Cmd& prefix);
    void endOutput();  // send or hold
    void closeRotatedPage();
    void SendCmd();

    // Page mode.
    void PageModePrint(int control);
    int ClearPrintArea();
    int DrawRuledLine(int station);
    void wrapInPageFrame();

    // Bar codes and bitmaps.
    int PrintBarCode(int station, const std::u16string& data, int symbology, int height, int width, int alignment,
                     int textPosition);
    int PrintBitmap(int station, const std::u16string& fileName, int width, int alignment);
    int SetBitmap(int bitmapNumber, int station, const std::u16string& fileName, int width, int alignment);
    void PrintMemoryBitmap(int station, const std::u16string& data, int type, int width, int alignment);
    int dots(int value) const;  // MapMode units to printer dots

    // Helpers.
    std::string decodeInput(const std::u16string& text) const;
    void log(int level, const std::string& text) const;
    void requireStation(int station, const char* message);
    bool outputHeld() const { return m_outputMode != 0; }

    EscCmd m_cmd;  // the command buffer
    OposDataParser m_keptParser{1};
    std::unique_ptr<platform::NamedLock> m_mutex;

    int m_state = 1;
    int m_openResult = 0;
    int m_resultCodeExtended = 0;
    int m_powerNotify = 0;
    int m_outputId = 0;
    int m_paperType = 0;
    std::string m_checkHealthText, m_deviceDescription, m_deviceName, m_errorString;
    std::string m_pageModeArea, m_pageModePrintArea;

    // Printer properties.
    int m_characterSet = 0;
    int m_coverOpen = 0, m_recEmpty = 0, m_recNearEnd = 0;
    int m_flagWhenIdle = 0;
    int m_mapMode = 1;
    int m_recLineChars = 42, m_recLineHeight = 0, m_recLineSpacing = 0, m_recLinesToPaperCut = 5;
    int m_recLineWidthDots = 576;
    int m_recSidewaysMaxChars = 0, m_recSidewaysMaxLines = 0;
    int m_errorLevel = 1, m_rotateSpecial = 1, m_mapCharacterSet = 1;
    int m_pageModeHorizontalPosition = 0, m_pageModePrintDirection = 0, m_pageModeStation = 0;
    int m_pageModeVerticalPosition = 0;
    int m_pageModeState = 3;

    // Print state.
    int m_outputMode = 0;  // 0x1 rotated page, 0x2 page mode, 0x4 transaction
    int m_rotation = 0x0001;
    int m_longestLine = 0;
    int m_printerStatusBytes[4] = {0, 0, 0, 0};
};

}  // namespace vornik::so
