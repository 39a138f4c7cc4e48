#include "TypeLibrary.h"

namespace vornik::so {

using platform::guid;
using platform::InterfaceInfo;
using P = platform::ParamKind;

const platform::GUID kLibId = guid("{D8B663DB-08E3-4FCB-843B-1805D9002CB5}");

const InterfaceInfo& IOposPrinterInfo() {
    static const InterfaceInfo info{
        u"IOposPrinter",
        guid("{4B03644F-0199-446C-A600-71C53FC1070C}"),
        u"IOposPrinter Interface",
        {
            {1, u"COFreezeEvents", {P::InBool, P::RetvalI4}},
            {2, u"GetPropertyNumber", {P::InI4, P::RetvalI4}},
            {3, u"SetPropertyNumber", {P::InI4, P::InI4}},
            {4, u"GetPropertyString", {P::InI4, P::RetvalBstr}},
            {5, u"SetPropertyString", {P::InI4, P::InBstr}},
            {6, u"OpenService", {P::InBstr, P::InBstr, P::InDispatch, P::RetvalI4}},
            {7, u"CloseService", {P::RetvalI4}},
            {8, u"ClaimDevice", {P::InI4, P::RetvalI4}},
            {9, u"ReleaseDevice", {P::RetvalI4}},
            {10, u"BeginInsertion", {P::InI4, P::RetvalI4}},
            {11, u"BeginRemoval", {P::InI4, P::RetvalI4}},
            {12, u"CutPaper", {P::InI4, P::RetvalI4}},
            {13, u"EndInsertion", {P::RetvalI4}},
            {14, u"EndRemoval", {P::RetvalI4}},
            {15, u"PrintBarCode", {P::InI4, P::InBstr, P::InI4, P::InI4, P::InI4, P::InI4, P::InI4, P::RetvalI4}},
            {16, u"PrintBitmap", {P::InI4, P::InBstr, P::InI4, P::InI4, P::RetvalI4}},
            {17, u"PrintImmediate", {P::InI4, P::InBstr, P::RetvalI4}},
            {18, u"PrintNormal", {P::InI4, P::InBstr}},
            {19, u"PrintTwoNormal", {P::InI4, P::InBstr, P::InBstr, P::RetvalI4}},
            {20, u"RotatePrint", {P::InI4, P::InI4, P::RetvalI4}},
            {21, u"SetBitmap", {P::InI4, P::InI4, P::InBstr, P::InI4, P::InI4, P::RetvalI4}},
            {22, u"SetLogo", {P::InI4, P::InBstr, P::RetvalI4}},
            {23, u"TransactionPrint", {P::InI4, P::InI4, P::RetvalI4}},
            {24, u"ValidateData", {P::InI4, P::InBstr, P::RetvalI4}},
            {25, u"ChangePrintSide", {P::RetvalI4}},
            {26, u"MarkFeed", {P::InI4, P::RetvalI4}},
            {27, u"CheckHealth", {P::InI4, P::RetvalI4}},
            {28, u"ClearOutput", {P::RetvalI4}},
            {29, u"ClearInput", {P::RetvalI4}},
            {30, u"DirectIO", {P::InI4, P::InOutI4, P::InOutBstr, P::RetvalI4}},
            {31, u"GetOpenResult", {P::RetvalI4}},
            {32, u"ResetStatistics", {P::InBstr, P::RetvalI4}},
            {33, u"RetrieveStatistics", {P::InOutBstr, P::OutI4}},
            {34, u"UpdateStatistics", {P::InBstr, P::RetvalI4}},
            {35, u"CompareFirmwareVersion", {P::InBstr, P::OutI4, P::OutI4}},
            {36, u"UpdateFirmware", {P::InBstr, P::OutI4}},
            {37, u"ClearPrintArea", {P::OutI4}},
            {38, u"PageModePrint", {P::InI4}},
            {39, u"PrintMemoryBitmap", {P::InI4, P::InBstr, P::InI4, P::InI4, P::InI4}},
            {40, u"DrawRuledLine", {P::InI4, P::InBstr, P::InI4, P::InI4, P::InI4, P::InI4, P::OutI4}},
        }};
    return info;
}

const InterfaceInfo& ICCashDrawerInfo() {
    static const InterfaceInfo info{
        u"ICCashDrawer",
        guid("{475615BF-C849-4293-97D4-14D23029FBC4}"),
        u"ICCashDrawer Interface",
        {
            {1, u"OpenService", {P::InBstr, P::InBstr, P::InDispatch, P::RetvalI4}},
            {2, u"CheckHealth", {P::InI4, P::RetvalI4}},
            {3, u"ClaimDevice", {P::InI4, P::RetvalI4}},
            {4, u"ClearInput", {P::RetvalI4}},
            {5, u"CloseService", {P::RetvalI4}},
            {6, u"COFreezeEvents", {P::InBool, P::RetvalI4}},
            {7, u"DirectIO", {P::InI4, P::InOutI4, P::InOutBstr, P::RetvalI4}},
            {8, u"GetOpenResult", {P::RetvalI4}},
            {9, u"ReleaseDevice", {P::RetvalI4}},
            {10, u"GetPropertyNumber", {P::InI4, P::RetvalI4}},
            {11, u"GetPropertyString", {P::InI4, P::RetvalBstr}},
            {12, u"SetPropertyNumber", {P::InI4, P::InI4}},
            {13, u"SetPropertyString", {P::InI4, P::InBstr}},
            {14, u"ResetStatistics", {P::InBstr, P::RetvalI4}},
            {15, u"RetrieveStatistics", {P::InOutBstr, P::OutI4}},
            {16, u"UpdateStatistics", {P::InBstr, P::RetvalI4}},
            {17, u"OpenDrawer", {}},
            {18, u"WaitForDrawerClose", {P::InI4, P::InI4, P::InI4, P::InI4}},
        }};
    return info;
}

const ClassEntry& PrinterClass() {
    static const ClassEntry entry{u"RuduraRaroZedivor", guid("{5688BD1A-B36B-442A-AED3-FB8493F78506}"),
                                  u"Vornik.Opos.Printer", u"Vornik.Opos.Printer.1", u"Vornik OPOS Printer Class",
                                  &IOposPrinterInfo()};
    return entry;
}

const ClassEntry& CashDrawerClass() {
    static const ClassEntry entry{u"CCashDrawer", guid("{4AA2ADEC-E57D-4954-8F45-E164C9829BFB}"),
                                  u"Vornik.OPOS.CashDrawer", u"Vornik.OPOS.CashDrawer.1",
                                  u"Vornik OPOS CashDrawer Class", &ICCashDrawerInfo()};
    return entry;
}

}  // namespace vornik::so
