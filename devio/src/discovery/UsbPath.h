// USB device paths in their Windows shape, and what they open on Linux.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vornik::devio {

// "\\?\usb#vid_0fe6&pid_811e#<instance>#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"
// with lower-case hexadecimal ids.
std::string makeUsbDevicePath(unsigned long vendorId, unsigned long productId, const std::string& instance);

struct UsbPathParts {
    unsigned vendorId;
    unsigned productId;
    std::string instance;
};
// The ids and instance of a Windows-shaped path (ids found case-insensitively).
std::optional<UsbPathParts> parseUsbDevicePath(const std::string& path);

// The device node that a USB path opens: a path beginning with '/' is a node
// already; otherwise the attached device with the same ids and instance, or,
// when none has that instance (the printer moved to another socket), the
// first attached device with the same ids that has a printer interface.
std::optional<std::string> resolveUsbDeviceNode(const char* path);

// This maker's vendor/product pairs, upper case ("VID_0FE6", "PID_811E").
struct UsbIdPair {
    std::string vendor;
    std::string product;
};
std::vector<UsbIdPair> makerUsbIds();
// Parses the table's text: one "VID_xxxx PID_yyyy" pair a line, '#' comments;
// malformed lines are skipped.
std::vector<UsbIdPair> parseUsbIdTable(const std::string& text);

}  // namespace vornik::devio

// Internal lookups used by the connect functions (exported under their own names).
bool getKaveloUSBPrinterPath(char (&buffer)[260]);
bool getUSBPrinterPathByPidVid(char (&buffer)[260], int productId, int vendorId);
