// What the system reports about attached devices, read through libudev.
// This is the only place that talks to udev; everything above it is plain
// logic over these records.
#pragma once

#include <string>
#include <vector>

namespace vornik::devio {

struct SerialPortEntry {
    std::string devnode;       // /dev/ttyUSB0
    std::string kernelName;    // ttyUSB0
    std::string description;   // model from the hardware database, else the driver
    bool isUsb = false;        // sits on a USB adapter
};

struct UsbDeviceEntry {
    std::string path;          // \\?\usb#vid_xxxx&pid_yyyy#<instance>#{a5dcbf10-...}
    std::string printerNode;   // /dev/usb/lpN of its printer interface, or empty
};

struct ParallelPortEntry {
    std::string devnode;       // /dev/lp0
    std::string kernelName;    // lp0
};

// Each returns false when udev cannot be asked; the list is then empty.
bool listSerialPorts(std::vector<SerialPortEntry>& out);
bool listUsbDevices(std::vector<UsbDeviceEntry>& out);
bool listParallelPorts(std::vector<ParallelPortEntry>& out);
// Kernel names of the ttys backed by a device (the kernel's serial device map).
bool listKernelSerialNames(std::vector<std::string>& out);

}  // namespace vornik::devio
