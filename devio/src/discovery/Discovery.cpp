// The exported discovery functions.
#include <conlink/ConlinkDiscovery.h>

#include "PrintQueues.h"
#include "RecordBlock.h"
#include "SerialPortNames.h"
#include "SystemDevices.h"
#include "UsbPath.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace vornik::devio;

namespace {

constexpr std::uint32_t kPortTypeWrite = 0x1;
constexpr std::uint32_t kPortTypeRead = 0x2;
constexpr int kPathBytes = 260;
constexpr int kUsbListBytes = 2600;  // ten device paths

struct PortEntry {
    std::string name, description;
};

// The system's port list: serial, parallel and USB printer ports, each with
// its trailing colon. False when udev cannot be asked.
bool systemPorts(std::vector<PortEntry>& ports) {
    ports.clear();
    std::vector<SerialPortEntry> serial;
    std::vector<ParallelPortEntry> parallel;
    std::vector<UsbDeviceEntry> usb;
    bool ok = listSerialPorts(serial) & listParallelPorts(parallel) & listUsbDevices(usb);
    for (const auto& s : serial) ports.push_back({s.kernelName + ":", "Serial Port"});
    for (const auto& p : parallel) ports.push_back({p.kernelName + ":", "Parallel Port"});
    for (const auto& u : usb)
        if (!u.printerNode.empty()) {
            std::string node = u.printerNode;
            if (node.rfind("/dev/", 0) == 0) node.erase(0, 5);
            ports.push_back({node + ":", "USB Printer Port"});
        }
    return ok;
}

bool portListAvailable() {
    std::vector<PortEntry> ports;
    return systemPorts(ports) && !ports.empty();
}

// Appends names to a name list: each name, then one byte left untouched.
// Stops before a name that would not fit in size bytes (size < 0: no bound).
class NameList {
public:
    NameList(char* buffer, long size) : m_buffer(buffer), m_size(size) {}
    void add(const std::string& name) {
        if (!m_buffer) return;
        const long need = static_cast<long>(name.size()) + 1;
        if (m_size >= 0 && m_used + need > m_size) {
            m_full = true;
            return;
        }
        if (m_full) return;
        std::memcpy(m_buffer + m_used, name.data(), name.size());
        m_used += need;
        ++m_count;
    }
    int count() const { return m_count; }

private:
    char* m_buffer;
    long m_size;
    long m_used = 0;
    int m_count = 0;
    bool m_full = false;
};

int serialPorts(char* buffer, long size, int* count) {
    if (count) *count = 0;
    if (!portListAvailable()) return DISCOVERY_NO_SERIAL;
    SSerInfo* list = nullptr;
    EnumPortsWdm(&list);
    NameList names(buffer, size);
    for (SSerInfo* n = list; n; n = n->next) {
        std::string name = n->portName;
        if (name.empty() || name.back() != ':') name += ':';
        names.add(name);
    }
    ReleaseSSerInfo(list);
    if (count) *count = names.count();
    return 0;
}

bool startsWithNoCase(const std::string& s, const char* prefix) {
    for (std::size_t i = 0; prefix[i]; ++i) {
        if (i >= s.size()) return false;
        if (std::tolower(static_cast<unsigned char>(s[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

int parallelPorts(char* buffer, long size, int* count) {
    if (count) *count = 0;
    std::vector<PortEntry> ports;
    if (!systemPorts(ports) || ports.empty()) return DISCOVERY_NO_PARALLEL;
    NameList names(buffer, size);
    for (const auto& p : ports)
        if (startsWithNoCase(p.name, "lp") && p.name.back() == ':') names.add(p.name);
    if (count) *count = names.count();
    return 0;
}

// Paths of this maker's attached USB devices.
std::vector<std::string> makerUsbPaths() {
    std::vector<UsbDeviceEntry> devices;
    listUsbDevices(devices);
    std::vector<std::string> paths;
    for (const auto& d : devices)
        if (isKaveloUsbDev(d.path.c_str())) paths.push_back(d.path);
    return paths;
}

int usbPrinters(char* buffer, long size, int* count) {
    if (count) *count = 0;
    std::vector<char> found(kUsbListBytes, 0);
    int n = getAllKaveloUSBPrinterSized(found.data(), kUsbListBytes);
    if (n <= 0) return DISCOVERY_NO_USB;
    NameList names(buffer, size);
    const char* p = found.data();
    for (int i = 0; i < n; ++i) {
        std::string path = p;
        names.add(path);
        p += path.size() + 1;
    }
    if (count) *count = names.count();
    return 0;
}

int localPrinters(char* buffer, long size, int* count) {
    if (count) *count = 0;
    PrinterInfo2A* queues = nullptr;
    int n = 0;
    if (!enumLocalPrinters(&queues, &n)) return DISCOVERY_NO_QUEUES;
    NameList names(buffer, size);
    for (int i = 0; i < n; ++i) names.add(queues[i].pPrinterName);
    ReleasePointer(queues);
    if (count) *count = names.count();
    return 0;
}

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

}  // namespace

extern "C" {

PortInfo2A* enumPrinterPorts(int* count) {
    if (count) *count = 0;
    std::vector<PortEntry> ports;
    systemPorts(ports);
    if (ports.empty()) return nullptr;
    std::vector<std::string> strings;
    for (const auto& p : ports) {
        strings.push_back(p.name);
        strings.push_back("Local Port");
        strings.push_back(p.description);
    }
    RecordBlock<PortInfo2A> block(ports.size(), strings);
    if (!block.ok()) return nullptr;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        PortInfo2A& r = block.records()[i];
        r.pPortName = block.store(ports[i].name);
        r.pMonitorName = block.store("Local Port");
        r.pDescription = block.store(ports[i].description);
        r.fPortType = kPortTypeWrite | kPortTypeRead;
    }
    if (count) *count = static_cast<int>(ports.size());
    return block.release();
}

int EnumPortsWdm(SSerInfo** head) { return enumSerialPorts(head, Occurrence::First) ? 1 : 0; }

int EnumSerialsFromReg(SSerInfo** head) {
    std::vector<std::string> names;
    bool ok = listKernelSerialNames(names);
    SSerInfo* first = nullptr;
    SSerInfo** tail = &first;
    for (const auto& name : names) {
        auto* node = static_cast<SSerInfo*>(std::calloc(1, sizeof(SSerInfo)));
        if (!node) {
            ok = false;
            break;
        }
        std::snprintf(node->portName, sizeof node->portName, "%s:", name.c_str());
        *tail = node;
        tail = &node->next;
    }
    if (head) *head = first;
    else ReleaseSSerInfo(first);
    return ok ? 1 : 0;
}

SSerInfo* ReleaseSSerInfo(SSerInfo* head) {
    while (head) {
        SSerInfo* next = head->next;
        std::free(head);
        head = next;
    }
    return nullptr;
}

int getSerialPorts(char* buffer, int* count) { return serialPorts(buffer, -1, count); }
int getParallelPorts(char* buffer, int* count) { return parallelPorts(buffer, -1, count); }
int getUsbPrinters(char* buffer, int* count) { return usbPrinters(buffer, -1, count); }
int getLocalPrinters(char* buffer, int* count) { return localPrinters(buffer, -1, count); }
int getSerialPortsSized(char* buffer, int size, int* count) { return serialPorts(buffer, size < 0 ? 0 : size, count); }
int getParallelPortsSized(char* buffer, int size, int* count) {
    return parallelPorts(buffer, size < 0 ? 0 : size, count);
}
int getUsbPrintersSized(char* buffer, int size, int* count) { return usbPrinters(buffer, size < 0 ? 0 : size, count); }
int getLocalPrintersSized(char* buffer, int size, int* count) {
    return localPrinters(buffer, size < 0 ? 0 : size, count);
}

int enumLocalPrinters(PrinterInfo2A** array, int* count) {
    if (array) *array = nullptr;
    if (count) *count = 0;
    std::vector<PrintQueueEntry> queues;
    listPrintQueues(queues);
    if (queues.empty() || !array) return 0;
    std::vector<std::string> strings;
    for (const auto& q : queues)
        for (const std::string* s : {&q.name, &q.deviceUri, &q.makeAndModel, &q.info, &q.location})
            strings.push_back(*s);
    RecordBlock<PrinterInfo2A> block(queues.size(), strings);
    if (!block.ok()) return 0;
    for (std::size_t i = 0; i < queues.size(); ++i) {
        PrinterInfo2A& r = block.records()[i];
        r.pPrinterName = block.store(queues[i].name);
        r.pPortName = block.store(queues[i].deviceUri);
        r.pDriverName = block.store(queues[i].makeAndModel);
        r.pComment = block.store(queues[i].info);
        r.pLocation = block.store(queues[i].location);
        r.Attributes = queues[i].isDefault ? 0x4 : 0;
        r.Status = queues[i].state;
    }
    *array = block.release();
    if (count) *count = static_cast<int>(queues.size());
    return 1;
}

char* getPrinterDriverDir(int) {
    static const char kDir[] = "/usr/lib/cups/driver";
    auto* buffer = static_cast<char*>(std::calloc(2, sizeof kDir));
    if (buffer) std::memcpy(buffer, kDir, sizeof kDir);
    return buffer;
}

int getKaveloUSBPrinter(char* buffer) {
    auto paths = makerUsbPaths();
    if (paths.empty() || !buffer) return 0;
    std::memset(buffer, 0, kPathBytes);
    std::strncpy(buffer, paths.front().c_str(), kPathBytes - 1);
    return 1;
}

int getAllKaveloUSBPrinterSized(char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    int n = 0;
    long used = 0;
    for (const auto& path : makerUsbPaths()) {
        if (used + static_cast<long>(path.size()) + 1 > size) break;
        std::memcpy(buffer + used, path.c_str(), path.size() + 1);
        used += static_cast<long>(path.size()) + 1;
        ++n;
    }
    return n;
}

int getAllKaveloUSBPrinter(char* buffer) {
    if (!buffer) return 0;
    int n = 0;
    for (const auto& path : makerUsbPaths()) {
        std::memcpy(buffer, path.c_str(), path.size() + 1);
        buffer += path.size() + 1;
        ++n;
    }
    return n;
}

int isKaveloUsbDev(const char* path) {
    if (!path) return 0;
    const std::string up = upper(path);
    for (const auto& pair : makerUsbIds())
        if (up.find(pair.product) != std::string::npos && up.find(pair.vendor) != std::string::npos) return 1;
    return 0;
}

int getUSBPrinterByPidVid(char* buffer, int productId, int vendorId) {
    if (!buffer) return 0;
    char pid[16], vid[16];
    std::snprintf(pid, sizeof pid, "PID_%.4X", static_cast<unsigned>(productId));
    std::snprintf(vid, sizeof vid, "VID_%.4X", static_cast<unsigned>(vendorId));
    std::vector<UsbDeviceEntry> devices;
    listUsbDevices(devices);
    for (const auto& d : devices) {
        const std::string up = upper(d.path);
        if (up.find(pid) != std::string::npos && up.find(vid) != std::string::npos) {
            std::memset(buffer, 0, kPathBytes);
            std::strncpy(buffer, d.path.c_str(), kPathBytes - 1);
            return 1;
        }
    }
    return 0;
}

int wcharIsDigit(char16_t c) { return c >= u'0' && c <= u'9' ? 1 : 0; }

int ReleasePointer(void* p) {
    std::free(p);
    return p ? 1 : 0;
}

}  // extern "C"
