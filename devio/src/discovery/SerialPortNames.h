// Plain rules of the serial-port discovery, apart from udev.
#pragma once

#include "SystemDevices.h"

#include <conlink/ConlinkDiscovery.h>

#include <string>

namespace vornik::devio {

enum class Occurrence { First, Last };

// The port name inside a friendly name: "COM" (or, when absent, "com") with
// the decimal digits that follow it; without either, the Linux name in the
// parentheses, "(ttyUSB0)" giving ttyUSB0; else empty.
std::string portNameFromFriendlyName(const std::string& friendlyName, Occurrence which);

// "<description> (<kernel name>)"
std::string friendlyNameFor(const SerialPortEntry& entry);

// A zero-filled node for one port, next = null.
SSerInfo* makeSerInfoNode(const SerialPortEntry& entry, Occurrence which);

// Present serial ports as a list (the claim's variant takes the last "COM").
bool enumSerialPorts(SSerInfo** head, Occurrence which);

// Presence checks of the claim.
// True when the name is the portName of a present serial port (exactly) or
// opens its device node ("COM1" for /dev/ttyS0), or
// when it is a path (it contains '/') naming an existing character device.
bool isSerialPortAttached(const std::string& portName);
// True when a present USB device's path contains both parts (case-sensitive).
bool isUsbDeviceAttached(const std::string& vidPart, const std::string& pidPart);

}  // namespace vornik::devio
