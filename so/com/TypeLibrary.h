// The type library "VezuvoRAZed": the two creatable classes and their
// dispatch interfaces, with member ids and parameter kinds.
#pragma once

#include "platform/Com.h"

namespace vornik::so {

struct ClassEntry {
    const char16_t* coclass;
    platform::CLSID clsid;
    const char16_t* versionIndependentProgId;
    const char16_t* progId;
    const char16_t* description;
    const platform::InterfaceInfo* dispatchInterface;
};

extern const platform::GUID kLibId;  // {D8B663DB-08E3-4FCB-843B-1805D9002CB5}
inline constexpr const char16_t* kTypeLibraryName = u"VezuvoRAZed";
inline constexpr const char16_t* kTypeLibraryHelp = u"ZezazoDE 1.0 Type Library";

const platform::InterfaceInfo& IOposPrinterInfo();
const platform::InterfaceInfo& ICCashDrawerInfo();

// The class table, printer first.
const ClassEntry& PrinterClass();
const ClassEntry& CashDrawerClass();

// Member ids of IOposPrinter and ICCashDrawer.
namespace printer_id {
enum : platform::DISPID {
    COFreezeEvents = 1, GetPropertyNumber, SetPropertyNumber, GetPropertyString, SetPropertyString, OpenService,
    CloseService, ClaimDevice, ReleaseDevice, BeginInsertion, BeginRemoval, CutPaper, EndInsertion, EndRemoval,
    PrintBarCode, PrintBitmap, PrintImmediate, PrintNormal, PrintTwoNormal, RotatePrint, SetBitmap, SetLogo,
    TransactionPrint, ValidateData, ChangePrintSide, MarkFeed, CheckHealth, ClearOutput, ClearInput, DirectIO,
    GetOpenResult, ResetStatistics, RetrieveStatistics, UpdateStatistics, CompareFirmwareVersion, UpdateFirmware,
    ClearPrintArea, PageModePrint, PrintMemoryBitmap, DrawRuledLine
};
}
namespace drawer_id {
enum : platform::DISPID {
    OpenService = 1, CheckHealth, ClaimDevice, ClearInput, CloseService, COFreezeEvents, DirectIO, GetOpenResult,
    ReleaseDevice, GetPropertyNumber, GetPropertyString, SetPropertyNumber, SetPropertyString, ResetStatistics,
    RetrieveStatistics, UpdateStatistics, OpenDrawer, WaitForDrawerClose
};
}

}  // namespace vornik::so
