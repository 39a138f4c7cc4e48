#include "SystemDevices.h"

#include "UsbPath.h"

#include <libudev.h>

#include <cstdlib>
#include <map>
#include <memory>

namespace vornik::devio {

namespace {

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
using UdevPtr = std::unique_ptr<udev, UdevDeleter>;
using EnumPtr = std::unique_ptr<udev_enumerate, UdevDeleter>;
using DevicePtr = std::unique_ptr<udev_device, UdevDeleter>;

std::string str(const char* s) { return s ? s : ""; }

// Calls fn(device) for every device of subsystem; false when udev fails.
template <typename Fn>
bool forEachDevice(udev* u, const char* subsystem, const char* devtype, Fn fn) {
    EnumPtr e(udev_enumerate_new(u));
    if (!e) return false;
    if (udev_enumerate_add_match_subsystem(e.get(), subsystem) < 0) return false;
    if (devtype && udev_enumerate_add_match_property(e.get(), "DEVTYPE", devtype) < 0) return false;
    if (udev_enumerate_scan_devices(e.get()) < 0) return false;
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get())) {
        DevicePtr d(udev_device_new_from_syspath(u, udev_list_entry_get_name(entry)));
        if (d) fn(d.get());
    }
    return true;
}

// A tty that stands for real hardware: it has a parent device, and a legacy
// UART slot without a chip behind it (type 0) does not count.
bool isHardwareTty(udev_device* d) {
    if (!udev_device_get_parent(d)) return false;
    const char* type = udev_device_get_sysattr_value(d, "type");
    return !(type && str(type) == "0");
}

std::string describe(udev_device* d) {
    for (const char* key : {"ID_MODEL_FROM_DATABASE", "ID_MODEL"})
        if (const char* v = udev_device_get_property_value(d, key); v && *v) return v;
    if (udev_device* parent = udev_device_get_parent(d))
        if (const char* drv = udev_device_get_driver(parent); drv && *drv) return drv;
    return "Serial Port";
}

}  // namespace

bool listSerialPorts(std::vector<SerialPortEntry>& out) {
    out.clear();
    UdevPtr u(udev_new());
    if (!u) return false;
    return forEachDevice(u.get(), "tty", nullptr, [&](udev_device* d) {
        if (!isHardwareTty(d) || !udev_device_get_devnode(d)) return;
        SerialPortEntry e;
        e.devnode = udev_device_get_devnode(d);
        e.kernelName = str(udev_device_get_sysname(d));
        e.description = describe(d);
        e.isUsb = str(udev_device_get_property_value(d, "ID_BUS")) == "usb" ||
                  udev_device_get_parent_with_subsystem_devtype(d, "usb", "usb_device") != nullptr;
        out.push_back(std::move(e));
    });
}

bool listKernelSerialNames(std::vector<std::string>& out) {
    std::vector<SerialPortEntry> ports;
    out.clear();
    if (!listSerialPorts(ports)) return false;
    for (const auto& p : ports) out.push_back(p.kernelName);
    return true;
}

bool listUsbDevices(std::vector<UsbDeviceEntry>& out) {
    out.clear();
    UdevPtr u(udev_new());
    if (!u) return false;
    // Printer interfaces first: which usb_device each /dev/usb/lpN belongs to.
    std::map<std::string, std::string> printerNodeBySyspath;
    forEachDevice(u.get(), "usbmisc", nullptr, [&](udev_device* d) {
        const char* node = udev_device_get_devnode(d);
        udev_device* owner = udev_device_get_parent_with_subsystem_devtype(d, "usb", "usb_device");
        if (node && owner && !printerNodeBySyspath.count(str(udev_device_get_syspath(owner))))
            printerNodeBySyspath[str(udev_device_get_syspath(owner))] = node;
    });
    return forEachDevice(u.get(), "usb", "usb_device", [&](udev_device* d) {
        const char* vid = udev_device_get_sysattr_value(d, "idVendor");
        const char* pid = udev_device_get_sysattr_value(d, "idProduct");
        if (!vid || !pid) return;
        std::string instance = str(udev_device_get_sysattr_value(d, "serial"));
        if (instance.empty()) instance = str(udev_device_get_sysname(d));
        UsbDeviceEntry e;
        e.path = makeUsbDevicePath(std::strtoul(vid, nullptr, 16), std::strtoul(pid, nullptr, 16), instance);
        auto it = printerNodeBySyspath.find(str(udev_device_get_syspath(d)));
        if (it != printerNodeBySyspath.end()) e.printerNode = it->second;
        out.push_back(std::move(e));
    });
}

bool listParallelPorts(std::vector<ParallelPortEntry>& out) {
    out.clear();
    UdevPtr u(udev_new());
    if (!u) return false;
    return forEachDevice(u.get(), "printer", nullptr, [&](udev_device* d) {
        const char* node = udev_device_get_devnode(d);
        if (!node) return;
        out.push_back({node, str(udev_device_get_sysname(d))});
    });
}

}  // namespace vornik::devio
