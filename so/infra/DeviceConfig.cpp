#include "DeviceConfig.h"

#include "DriverLog.h"
#include "Errors.h"
#include "OposRegistry.h"

namespace vornik::so {

namespace {

// LogVerbosity and LogLocation from the vendor key (more values may be read
// in the same group); on any failure the log gets 0 and 0.
template <typename MoreReads>
void applyLogSettings(const OposRegistry& registry, MoreReads more) {
    int verbosity = 0, location = 0;
    try {
        registry.GetVendorNumber("LogVerbosity", verbosity);
        registry.GetVendorNumber("LogLocation", location);
        more();
    } catch (const KVError&) {
        verbosity = 0;
        location = 0;
    }
    g_fileLog.SetVerbosity(verbosity);
    g_fileLog.SetLocation(location);
}

void readIoType(CDevice& device, const OposRegistry& registry) {
    try {
        registry.GetLdnString("IOType", device.m_ioTypeName);
        device.m_ioType = CDevice::ioTypeFromName(device.m_ioTypeName, device.m_ioType);
    } catch (const KVError&) {
        device.m_ioTypeName = "COM";
        device.m_ioType = IO_COM;
    }
}

void readInterface(CDevice& device, const std::string& deviceClass, const std::string& ldn, const std::string& tag) {
    switch (device.m_ioType) {
    case IO_ETHERNET:
        g_fileLog.Log(5, tag, "    | Ethernet");
        device.GetRegETHSettings(deviceClass, ldn);
        break;
    case IO_USB:
        g_fileLog.Log(5, tag, "    | USB");
        device.GetRegUSBSettings(deviceClass, ldn);
        break;
    case IO_LPT:
        g_fileLog.Log(5, tag, "    | LPT");
        device.GetRegLPTSettings(deviceClass, ldn);
        break;
    default:
        g_fileLog.Log(5, tag, "    | : SerialPrinter");
        device.GetRegComSettings(deviceClass, ldn);
        break;
    }
}

}  // namespace

bool ReadPrinterConfiguration(CDevice& device, PrinterConfig& printer, const std::string& deviceClass,
                              const std::string& ldn, const std::string& tag, std::string* errorText) {
    OposRegistry registry(deviceClass, ldn);
    applyLogSettings(registry, [&] {
        registry.GetLdnNumber("CodePage", printer.codePage);
        registry.GetLdnNumber("PaperType", printer.paperType);
    });
    try {
        registry.GetLdnString("Model", device.m_model);
        g_fileLog.Log(5, tag, "    | ModelNumber: " + device.m_model);
    } catch (const KVError& e) {
        if (errorText) *errorText = e.what();
        return false;
    }
    readIoType(device, registry);
    readInterface(device, deviceClass, ldn, tag);
    return true;
}

bool ReadDrawerConfiguration(CDevice& device, DrawerConfig& drawer, const std::string& deviceClass,
                             const std::string& ldn, const std::string& tag, std::string* errorText) {
    OposRegistry registry(deviceClass, ldn);
    try {
        registry.GetLdnString("Uses", drawer.usesPrinter);
        registry.GetLdnNumber("ConnectPin", drawer.connectPin);
        registry.GetLdnNumber("PulseOffTime", drawer.pulseOffTime);
        registry.GetLdnNumber("PulseOnTime", drawer.pulseOnTime);
    } catch (const KVError& e) {
        if (errorText) *errorText = e.what();
        return false;
    }
    OposRegistry printerKey("POSPrinter", drawer.usesPrinter);
    applyLogSettings(printerKey, [] {});
    readIoType(device, printerKey);
    readInterface(device, "POSPrinter", drawer.usesPrinter, tag);
    return true;
}

}  // namespace vornik::so
