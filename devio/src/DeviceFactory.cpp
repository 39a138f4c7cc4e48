#include <conlink/Conlink.h>

#include <new>

Device* DeviceFactory::create(_t_CONFIG_STATE* state) {
    if (!state) return nullptr;
    state->name[sizeof state->name - 1] = '\0';  // the field is NUL-terminated; never read past it
    Device* device = nullptr;
    switch (state->type) {
    case CONLINK_TYPE_SERIAL: device = new (std::nothrow) ComDevice(state->name); break;
    case CONLINK_TYPE_PARALLEL: device = new (std::nothrow) LPTDevice(state->name); break;
    case CONLINK_TYPE_NET: device = new (std::nothrow) ENetDevice(nullptr); break;
    case CONLINK_TYPE_USB: device = new (std::nothrow) USBDevice(state->name); break;
    case CONLINK_TYPE_QUEUE: device = new (std::nothrow) PrinterDevice(state->name); break;
    default: return nullptr;
    }
    if (device) device->SetConfigState(state);
    return device;
}

void DeviceFactory::destory(Device* device) { delete device; }
