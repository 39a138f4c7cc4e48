#include "SerialPortNames.h"

#include "../PortNames.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace vornik::devio {

namespace {
void copyField(char (&dst)[260], const std::string& src) {
    std::memset(dst, 0, sizeof dst);
    std::strncpy(dst, src.c_str(), sizeof dst - 1);
}

std::string::size_type find(const std::string& s, const char* what, Occurrence which) {
    return which == Occurrence::First ? s.find(what) : s.rfind(what);
}
}  // namespace

std::string portNameFromFriendlyName(const std::string& friendlyName, Occurrence which) {
    auto pos = find(friendlyName, "COM", which);
    if (pos == std::string::npos) pos = find(friendlyName, "com", which);
    if (pos != std::string::npos) {
        std::string name = friendlyName.substr(pos, 3);
        for (auto i = pos + 3; i < friendlyName.size() && std::isdigit(static_cast<unsigned char>(friendlyName[i])); ++i)
            name += friendlyName[i];
        return name;
    }
    pos = find(friendlyName, "(tty", which);
    if (pos != std::string::npos) {
        auto end = friendlyName.find(')', pos);
        if (end != std::string::npos) return friendlyName.substr(pos + 1, end - pos - 1);
    }
    return {};
}

std::string friendlyNameFor(const SerialPortEntry& entry) {
    return entry.description + " (" + entry.kernelName + ")";
}

SSerInfo* makeSerInfoNode(const SerialPortEntry& entry, Occurrence which) {
    auto* node = static_cast<SSerInfo*>(std::calloc(1, sizeof(SSerInfo)));
    if (!node) return nullptr;
    const std::string friendly = friendlyNameFor(entry);
    copyField(node->devicePath, entry.devnode);
    copyField(node->friendlyName, friendly);
    copyField(node->description, entry.description);
    copyField(node->portName, portNameFromFriendlyName(friendly, which));
    node->isUsb = entry.isUsb ? 1 : 0;
    return node;
}

bool enumSerialPorts(SSerInfo** head, Occurrence which) {
    std::vector<SerialPortEntry> ports;
    bool ok = listSerialPorts(ports);
    SSerInfo* first = nullptr;
    SSerInfo** tail = &first;
    for (const auto& p : ports) {
        SSerInfo* node = makeSerInfoNode(p, which);
        if (!node) {
            ok = false;
            break;
        }
        *tail = node;
        tail = &node->next;
    }
    if (head) *head = first;
    else ReleaseSSerInfo(first);
    return ok;
}

bool isSerialPortAttached(const std::string& portName) {
    if (portName.find('/') != std::string::npos) {
        struct stat st{};
        return ::stat(portName.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
    }
    int count = 0;
    PortInfo2A* ports = enumPrinterPorts(&count);
    ReleasePointer(ports);
    if (count == 0) return false;
    SSerInfo* list = nullptr;
    enumSerialPorts(&list, Occurrence::Last);
    // "COM1" and other aliases match through the device node they open.
    const auto node = serialDevicePath(portName.c_str());
    bool found = false;
    for (SSerInfo* n = list; n && !found; n = n->next)
        found = portName == n->portName || (node && *node == n->devicePath);
    ReleaseSSerInfo(list);
    return found;
}

bool isUsbDeviceAttached(const std::string& vidPart, const std::string& pidPart) {
    std::vector<UsbDeviceEntry> devices;
    listUsbDevices(devices);
    for (const auto& d : devices)
        if (d.path.find(vidPart) != std::string::npos && d.path.find(pidPart) != std::string::npos) return true;
    return false;
}

}  // namespace vornik::devio
