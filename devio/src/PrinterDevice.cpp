// Print queue: a CUPS destination. Each write is one raw job named "Raw String".
#include <conlink/Conlink.h>

#include <cups/cups.h>

namespace {
cups_dest_t* asDest(void* p) { return static_cast<cups_dest_t*>(p); }

cups_dest_t* copyDest(void* p) {
    if (!p) return nullptr;
    cups_dest_t* copy = nullptr;
    int n = cupsCopyDest(asDest(p), 0, &copy);
    return n == 1 ? copy : nullptr;
}
}  // namespace

PrinterDevice::PrinterDevice(const char* name) : Device(name), m_queue(nullptr) {}
PrinterDevice::PrinterDevice(const PrinterDevice& other) : Device(other), m_queue(copyDest(other.m_queue)) {}
PrinterDevice& PrinterDevice::operator=(const PrinterDevice& other) {
    if (this == &other) return *this;
    close();
    Device::operator=(other);
    m_queue = copyDest(other.m_queue);
    return *this;
}
PrinterDevice::~PrinterDevice() { close(); }

bool PrinterDevice::isOpen() const { return m_queue != nullptr; }

void PrinterDevice::close() {
    if (m_queue) cupsFreeDests(1, asDest(m_queue));
    m_queue = nullptr;
}

int PrinterDevice::open() {
    if (isOpen()) return CONLINK_OK;
    if (!m_name || !*m_name) return CONLINK_DRV_OPEN;
    m_queue = cupsGetNamedDest(CUPS_HTTP_DEFAULT, m_name, nullptr);
    return m_queue ? CONLINK_OK : CONLINK_DRV_OPEN;
}

int PrinterDevice::write(const unsigned char* data, std::uint32_t length) {
    if (!data || length == 0 || !m_name || !*m_name) return CONLINK_OK;
    if (int rc = open(); rc != CONLINK_OK) return rc;
    const char* queue = asDest(m_queue)->name;
    int job = cupsCreateJob(CUPS_HTTP_DEFAULT, queue, "Raw String", 0, nullptr);
    if (job <= 0) return CONLINK_DRV_START_DOC;
    if (cupsStartDocument(CUPS_HTTP_DEFAULT, queue, job, "Raw String", CUPS_FORMAT_RAW, 1) !=
        HTTP_STATUS_CONTINUE) {
        cupsCancelJob2(CUPS_HTTP_DEFAULT, queue, job, 0);
        return CONLINK_DRV_START_PAGE;
    }
    if (cupsWriteRequestData(CUPS_HTTP_DEFAULT, reinterpret_cast<const char*>(data), length) !=
        HTTP_STATUS_CONTINUE) {
        cupsFinishDocument(CUPS_HTTP_DEFAULT, queue);
        return CONLINK_DRV_WRITE;
    }
    if (cupsFinishDocument(CUPS_HTTP_DEFAULT, queue) != IPP_STATUS_OK) return CONLINK_DRV_END_DOC;
    return CONLINK_OK;
}

int PrinterDevice::read(const unsigned char*, std::uint32_t, unsigned char*, std::uint32_t*) {
    return CONLINK_OK;
}
