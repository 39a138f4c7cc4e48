#include <conlink/Conlink.h>

#include <fcntl.h>
#include <unistd.h>

Device::Device(const char* name) : m_name(name), m_handle(-1), m_config(nullptr) {}

// A copy owns a duplicate of the open handle, so that each copy can close its own.
Device::Device(const Device& other)
    : m_name(other.m_name),
      m_handle(other.m_handle == -1 ? -1 : ::fcntl(other.m_handle, F_DUPFD_CLOEXEC, 0)),
      m_config(other.m_config) {}

Device& Device::operator=(const Device& other) {
    if (this == &other) return *this;
    closeHandle();
    m_name = other.m_name;
    m_handle = other.m_handle == -1 ? -1 : ::fcntl(other.m_handle, F_DUPFD_CLOEXEC, 0);
    m_config = other.m_config;
    return *this;
}

Device::~Device() { closeHandle(); }

void Device::SetConfigState(_t_CONFIG_STATE* state) { m_config = state; }
_t_CONFIG_STATE* Device::GetConfigState() const { return m_config; }

void Device::closeHandle() {
    if (m_handle != -1) {
        ::close(m_handle);
        m_handle = -1;
    }
}
