#include "UsbPath.h"

#include "SystemDevices.h"

#include <conlink/ConlinkDiscovery.h>

#include <dlfcn.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vornik::devio {

namespace {
const char kUsbInterfaceClass[] = "{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool equalsNoCase(const std::string& a, const std::string& b) { return upper(a) == upper(b); }

// Four hex digits after tag ("VID_") in the upper-cased path, or -1.
long hexAfter(const std::string& up, const char* tag) {
    auto pos = up.find(tag);
    if (pos == std::string::npos || pos + 8 > up.size()) return -1;
    std::string digits = up.substr(pos + 4, 4);
    for (char c : digits)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return -1;
    return std::strtol(digits.c_str(), nullptr, 16);
}

bool readFile(const std::string& path, std::string& text) {
    std::ifstream in(path);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    text = ss.str();
    return true;
}

// <directory of the library holding this code>/../share/vornik/usb-printers.conf
std::string tableNextToLibrary() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&tableNextToLibrary), &info) || !info.dli_fname) return {};
    std::string lib = info.dli_fname;
    auto slash = lib.rfind('/');
    std::string dir = slash == std::string::npos ? "." : lib.substr(0, slash);
    return dir + "/../share/vornik/usb-printers.conf";
}
}  // namespace

std::string makeUsbDevicePath(unsigned long vendorId, unsigned long productId, const std::string& instance) {
    char ids[32];
    std::snprintf(ids, sizeof ids, "vid_%04lx&pid_%04lx", vendorId & 0xFFFF, productId & 0xFFFF);
    return std::string("\\\\?\\usb#") + ids + "#" + instance + "#" + kUsbInterfaceClass;
}

std::optional<UsbPathParts> parseUsbDevicePath(const std::string& path) {
    const std::string up = upper(path);
    long vid = hexAfter(up, "VID_"), pid = hexAfter(up, "PID_");
    if (vid < 0 || pid < 0) return std::nullopt;
    UsbPathParts parts{static_cast<unsigned>(vid), static_cast<unsigned>(pid), {}};
    // The instance sits between the second and the third '#'.
    auto first = path.find('#');
    auto second = first == std::string::npos ? first : path.find('#', first + 1);
    if (second != std::string::npos) {
        auto third = path.find('#', second + 1);
        parts.instance = path.substr(second + 1, third == std::string::npos ? std::string::npos : third - second - 1);
    }
    return parts;
}

std::optional<std::string> resolveUsbDeviceNode(const char* path) {
    if (!path || !*path) return std::nullopt;
    if (path[0] == '/') return std::string(path);
    auto wanted = parseUsbDevicePath(path);
    if (!wanted) return std::nullopt;
    std::vector<UsbDeviceEntry> devices;
    listUsbDevices(devices);
    const UsbDeviceEntry* sameIds = nullptr;
    for (const auto& d : devices) {
        auto parts = parseUsbDevicePath(d.path);
        if (!parts || parts->vendorId != wanted->vendorId || parts->productId != wanted->productId) continue;
        if (d.printerNode.empty()) continue;
        if (equalsNoCase(parts->instance, wanted->instance)) return d.printerNode;
        if (!sameIds) sameIds = &d;
    }
    if (sameIds) return sameIds->printerNode;
    return std::nullopt;
}

std::vector<UsbIdPair> parseUsbIdTable(const std::string& text) {
    std::vector<UsbIdPair> pairs;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::string vid, pid, extra;
        if (!(words >> vid >> pid) || (words >> extra)) continue;
        vid = upper(vid);
        pid = upper(pid);
        if (hexAfter(vid, "VID_") < 0 || hexAfter(pid, "PID_") < 0 || vid.size() != 8 || pid.size() != 8) continue;
        pairs.push_back({vid, pid});
    }
    return pairs;
}

std::vector<UsbIdPair> makerUsbIds() {
    std::string text;
    if (const char* env = std::getenv("VORNIK_USB_IDS"); env && *env) {
        readFile(env, text);
        return parseUsbIdTable(text);
    }
    if (readFile("/etc/vornik/usb-printers.conf", text) || readFile(tableNextToLibrary(), text))
        return parseUsbIdTable(text);
    return {};
}

}  // namespace vornik::devio

bool getKaveloUSBPrinterPath(char (&buffer)[260]) { return getKaveloUSBPrinter(buffer) == 1; }
bool getUSBPrinterPathByPidVid(char (&buffer)[260], int productId, int vendorId) {
    return getUSBPrinterByPidVid(buffer, productId, vendorId) == 1;
}
