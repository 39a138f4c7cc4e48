// The configuration each service object reads when it is opened.
#pragma once

#include "CDevice.h"

#include <string>

namespace vornik::so {

// What the printer keeps beside the CDevice settings.
struct PrinterConfig {
    int codePage = 0;
    int paperType = 0;  // 0: 80 mm, 1: 58 mm
};

// What the cash drawer reads from its own key.
struct DrawerConfig {
    std::string usesPrinter;
    int connectPin = 0;
    int pulseOffTime = 0;
    int pulseOnTime = 0;
};

// The printer's reading sequence: log settings (handed to g_fileLog), CodePage
// and PaperType, Model (required), IOType, then the reader of that interface.
// Returns true, or false with the text of the error that ended it (a missing
// Model); the caller ends OpenService with 403. tag names the caller in the log.
bool ReadPrinterConfiguration(CDevice& device, PrinterConfig& printer, const std::string& deviceClass,
                              const std::string& ldn, const std::string& tag, std::string* errorText);

// The drawer's reading sequence: Uses, ConnectPin, PulseOffTime, PulseOnTime
// (all required), log settings, then the connection settings of the printer
// LDN named by Uses. As above for the result.
bool ReadDrawerConfiguration(CDevice& device, DrawerConfig& drawer, const std::string& deviceClass,
                             const std::string& ldn, const std::string& tag, std::string* errorText);

}  // namespace vornik::so
