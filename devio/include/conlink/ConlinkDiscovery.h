// Conlink discovery: the endpoints a printer may be attached to.
//
// Serial ports, parallel ports and USB devices come from udev; print queues
// from CUPS. Port names are Linux kernel names ("ttyUSB0", "lp0"); the name
// lists write them with a trailing ':' ("ttyUSB0:"), which the connect
// functions drop again. USB device paths keep the Windows shape
//   \\?\usb#vid_0fe6&pid_811e#<serial or bus position>#{a5dcbf10-6530-11d2-901f-00c04fb951ed}
// so that characters 8-15 are "vid_xxxx" and 17-24 "pid_yyyy".
//
// This maker's USB printers are recognised by a table of vendor/product pairs
// read from a text file (see the README: VORNIK_USB_IDS,
// /etc/vornik/usb-printers.conf, <prefix>/share/vornik/usb-printers.conf).
#pragma once

#include <conlink/Conlink.h>

#include <cstdint>

extern "C" {

// One serial port; a singly linked list freed with ReleaseSSerInfo.
struct SSerInfo {
    char devicePath[260];    // device node, /dev/ttyUSB0
    char portName[260];      // kernel name, ttyUSB0 (or COMn when the friendly name holds one)
    char friendlyName[260];  // "<description> (ttyUSB0)"
    int isUsb;               // 1 when the port sits on a USB adapter
    char description[260];
    SSerInfo* next;
};

// One port of the system's port list (all serial, parallel and USB printer ports).
struct PortInfo2A {
    char* pPortName;     // "ttyS0:", "lp0:", "usb/lp0:"
    char* pMonitorName;  // "Local Port"
    char* pDescription;  // "Serial Port", "Parallel Port", "USB Printer Port"
    std::uint32_t fPortType;  // PORT_TYPE_WRITE | PORT_TYPE_READ (1 | 2)
    std::uint32_t Reserved;
};

// One print queue.
struct PrinterInfo2A {
    char* pServerName;
    char* pPrinterName;
    char* pShareName;
    char* pPortName;     // the queue's device URI
    char* pDriverName;   // the queue's make and model
    char* pComment;      // printer-info
    char* pLocation;     // printer-location
    void* pDevMode;
    char* pSepFile;
    char* pPrintProcessor;
    char* pDatatype;
    char* pParameters;
    void* pSecurityDescriptor;
    std::uint32_t Attributes;  // bit 2 (0x4) default queue
    std::uint32_t Priority;
    std::uint32_t DefaultPriority;
    std::uint32_t StartTime;
    std::uint32_t UntilTime;
    std::uint32_t Status;      // printer-state: 3 idle, 4 processing, 5 stopped
    std::uint32_t cJobs;
    std::uint32_t AveragePPM;
};

// Result codes of the name lists.
enum : int {
    DISCOVERY_NO_SERIAL = 256,
    DISCOVERY_NO_PARALLEL = 512,
    DISCOVERY_NO_USB = 1024,
    DISCOVERY_NO_QUEUES = 1280,
};

// The system's port list in one allocation, freed with ReleasePointer; null
// (count 0) when there are none.
CONLINK_API PortInfo2A* enumPrinterPorts(int* count);
// Present serial ports: 1 with the list stored, 0 on failure.
CONLINK_API int EnumPortsWdm(SSerInfo** head);
// Serial ports from the kernel's tty list ("ttyS0:", portName only): 1 when the
// list was read to its end, 0 otherwise; the list is stored in both cases.
CONLINK_API int EnumSerialsFromReg(SSerInfo** head);
CONLINK_API SSerInfo* ReleaseSSerInfo(SSerInfo* head);

// Name lists: names one after another, each followed by one byte left as the
// caller put it (pass a zero-filled buffer). The exported forms trust the
// buffer to be large enough; the ...Sized forms never write past size bytes
// and list only the names that fit whole.
CONLINK_API int getSerialPorts(char* buffer, int* count);
CONLINK_API int getParallelPorts(char* buffer, int* count);
CONLINK_API int getUsbPrinters(char* buffer, int* count);
CONLINK_API int getLocalPrinters(char* buffer, int* count);
CONLINK_API int getSerialPortsSized(char* buffer, int size, int* count);
CONLINK_API int getParallelPortsSized(char* buffer, int size, int* count);
CONLINK_API int getUsbPrintersSized(char* buffer, int size, int* count);
CONLINK_API int getLocalPrintersSized(char* buffer, int size, int* count);

// Print queues of this machine (CUPS destinations): 1 with the array (one
// allocation, freed with ReleasePointer), 0 when there are none.
CONLINK_API int enumLocalPrinters(PrinterInfo2A** array, int* count);
// The directory of printer driver programs, in a zero-filled buffer freed with
// ReleasePointer; the flag is accepted for compatibility and selects nothing.
CONLINK_API char* getPrinterDriverDir(int is64);

// USB devices of this maker. Buffers hold 260 bytes per path.
CONLINK_API int getKaveloUSBPrinter(char* buffer);
CONLINK_API int getAllKaveloUSBPrinter(char* buffer);
CONLINK_API int getAllKaveloUSBPrinterSized(char* buffer, int size);
CONLINK_API int isKaveloUsbDev(const char* path);
CONLINK_API int getUSBPrinterByPidVid(char* buffer, int productId, int vendorId);

CONLINK_API int wcharIsDigit(char16_t c);
// Frees an array allocated by this library; 1 when p was not null.
CONLINK_API int ReleasePointer(void* p);

}  // extern "C"
