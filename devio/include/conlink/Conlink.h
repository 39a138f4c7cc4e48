// Conlink: the device-access interface of the Vornik POS driver package.
//
// Two layers:
//  * the transport classes (Device and one subclass per transport) with the
//    factory that makes them from a _t_CONFIG_STATE record;
//  * a plain C function interface that keeps one process-wide "current
//    connection": a KV_...Connect call tests an endpoint and, when it answers,
//    makes it current; KV_SendCmd writes bytes to it and KV_QueryCmd writes a
//    command and reads the reply. Each call opens the endpoint, does its I/O
//    and closes it again. Every function is exported again as JPOS_... .
//
// Every failure is a result code (see CONLINK_* below): the high byte names the
// transport. Nothing here throws, logs or waits without a bound.
//
// Endpoint names on Linux (see the README for the full rules):
//  * serial:   "ttyUSB0" opens /dev/ttyUSB0, "COM1" opens /dev/ttyS0, a name
//              starting with '/' is opened as is; one trailing ':' is dropped;
//  * parallel: "lp0" opens /dev/lp0, "LPT1" opens /dev/lp0, '/' paths as is;
//  * USB:      the Windows-shaped path "\\?\usb#vid_xxxx&pid_yyyy#<serial>#{...}"
//              resolved to its /dev/usb/lpN node at open time, or a '/' path;
//  * print queue: a CUPS destination name.
#pragma once

#include <cstdint>

#if defined(__GNUC__)
#define CONLINK_API __attribute__((visibility("default")))
#else
#define CONLINK_API
#endif

// ---------------------------------------------------------------------------
// Result codes of the connection interface.
// ---------------------------------------------------------------------------
enum : int {
    CONLINK_OK = 0,
    CONLINK_NO_CONNECTION = 0x3,

    CONLINK_COM_OPEN = 0x101,
    CONLINK_COM_WRITE = 0x102,
    CONLINK_COM_READ = 0x103,
    CONLINK_COM_SETTINGS_REJECTED = 0x104,
    CONLINK_COM_NO_SETTINGS = 0x105,

    CONLINK_LPT_OPEN = 0x201,
    CONLINK_LPT_WRITE = 0x202,
    CONLINK_LPT_READ = 0x203,

    CONLINK_NET_CONNECT = 0x301,
    CONLINK_NET_SEND = 0x302,
    CONLINK_NET_RECEIVE = 0x303,

    CONLINK_USB_OPEN = 0x401,
    CONLINK_USB_WRITE = 0x402,
    CONLINK_USB_READ = 0x403,
    CONLINK_USB_SHORT_WRITE = 0x404,

    CONLINK_DRV_OPEN = 0x501,
    CONLINK_DRV_WRITE = 0x502,
    CONLINK_DRV_START_DOC = 0x600,
    CONLINK_DRV_START_PAGE = 0x601,
    CONLINK_DRV_END_PAGE = 0x602,
    CONLINK_DRV_END_DOC = 0x603,
    CONLINK_DRV_SHORT_WRITE = 0x604,
};

// Transport numbers of _t_CONFIG_STATE::type.
enum : std::int32_t {
    CONLINK_TYPE_NONE = 0,
    CONLINK_TYPE_SERIAL = 1,
    CONLINK_TYPE_PARALLEL = 2,
    CONLINK_TYPE_NET = 3,
    CONLINK_TYPE_USB = 4,
    CONLINK_TYPE_QUEUE = 5,
};

// ---------------------------------------------------------------------------
// Records that cross the interface.
// ---------------------------------------------------------------------------
extern "C" {

// Which transport and which endpoint a Device talks to. The caller owns it and
// it must outlive every Device made from it.
struct _t_CONFIG_STATE {
    std::int32_t type;   // CONLINK_TYPE_*; anything else means none
    char name[260];      // endpoint name, NUL-terminated (unused for TCP/IP)
    void* params;        // SerialSettings* (serial), NetParams* (TCP/IP), else null
};

// TCP/IP endpoint, 258 bytes: 64 unused bytes, the dotted IPv4 address, the
// port in host byte order.
#pragma pack(push, 1)
struct NetParams {
    char reserved[64];
    char ip[192];
    std::uint16_t port;
};
#pragma pack(pop)
static_assert(sizeof(NetParams) == 258, "NetParams is 258 bytes");

// Serial line settings as stored in the registry (argument of KV_ComConnect2).
struct ComSettings {
    std::int32_t baudRate;
    std::int32_t dataBits;     // 5..8
    std::int32_t parity;       // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::int32_t stopBits;     // 0 one, 1 one and a half, 2 two
    std::int32_t flowControl;  // 0 none, 1 hardware (RTS/CTS), 2 Xon/Xoff; else none
};

// The serial line settings record (the Windows DCB's fields that the layer
// sets). ComDevice turns it into termios settings each time it opens a port.
enum : std::uint8_t { SERIAL_DTR_DISABLE = 0, SERIAL_DTR_ENABLE = 1 };
enum : std::uint8_t { SERIAL_RTS_DISABLE = 0, SERIAL_RTS_ENABLE = 1 };
struct SerialSettings {
    std::uint32_t baudRate;
    std::uint8_t binary;          // always 1: raw bytes, no line editing
    std::uint8_t parityCheck;     // check parity of received bytes
    std::uint8_t outxCtsFlow;     // hardware (RTS/CTS) output flow control
    std::uint8_t outxDsrFlow;     // DSR output flow control (not offered by Linux ttys)
    std::uint8_t dtrControl;      // SERIAL_DTR_*
    std::uint8_t dsrSensitivity;
    std::uint8_t txContinueOnXoff;
    std::uint8_t outX;            // Xon/Xoff on output
    std::uint8_t inX;             // Xon/Xoff on input
    std::uint8_t errorCharOn;
    std::uint8_t nullStrip;
    std::uint8_t rtsControl;      // SERIAL_RTS_*
    std::uint8_t abortOnError;
    std::uint16_t xonLimit;
    std::uint16_t xoffLimit;
    std::uint8_t byteSize;        // data bits
    std::uint8_t parity;          // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t stopBits;        // 0 one, 1 one and a half, 2 two
    char xonChar;
    char xoffChar;
    char errorChar;
    char eofChar;
    char evtChar;
};

}  // extern "C"

// ---------------------------------------------------------------------------
// Transport classes.
// ---------------------------------------------------------------------------

// One endpoint. A device opens itself on its first write or read and stays
// open until it is destroyed (or until an I/O error closes it, so that the
// next operation opens the endpoint afresh). Copying a device duplicates its
// open handle: each copy owns and closes its own.
class CONLINK_API Device {
public:
    explicit Device(const char* name);
    Device(const Device& other);
    Device& operator=(const Device& other);
    virtual ~Device();

    // Writes length bytes. 0, or the transport's write error code.
    virtual int write(const unsigned char* data, std::uint32_t length) = 0;
    // Writes cmd (when cmdLength > 0) and reads the reply into reply. On entry
    // *replyLength is the buffer's capacity; on success it becomes the number
    // of bytes received. 0, or the transport's error code.
    virtual int read(const unsigned char* cmd, std::uint32_t cmdLength, unsigned char* reply,
                     std::uint32_t* replyLength) = 0;

    void SetConfigState(_t_CONFIG_STATE* state);
    _t_CONFIG_STATE* GetConfigState() const;

protected:
    bool hasHandle() const { return m_handle != -1; }
    void closeHandle();

    const char* m_name;        // not owned; points into the config state for factory-made devices
    int m_handle;              // file descriptor, -1 when closed
    _t_CONFIG_STATE* m_config; // not owned
};

// Serial port through termios.
class CONLINK_API ComDevice : public Device {
public:
    explicit ComDevice(const char* name);
    ComDevice(const ComDevice&) = default;
    ComDevice& operator=(const ComDevice&) = default;
    ~ComDevice() override;
    int write(const unsigned char* data, std::uint32_t length) override;
    int read(const unsigned char* cmd, std::uint32_t cmdLength, unsigned char* reply,
             std::uint32_t* replyLength) override;

private:
    int open();
    void close();
    bool isOpen() const;
};

// Parallel port: the lp character device.
class CONLINK_API LPTDevice : public Device {
public:
    explicit LPTDevice(const char* name);
    LPTDevice(const LPTDevice&) = default;
    LPTDevice& operator=(const LPTDevice&) = default;
    ~LPTDevice() override;
    int write(const unsigned char* data, std::uint32_t length) override;
    int read(const unsigned char* cmd, std::uint32_t cmdLength, unsigned char* reply,
             std::uint32_t* replyLength) override;

private:
    int open();
    void close();
    bool isOpen() const;
};

// TCP/IP printer (raw port, usually 9100).
class CONLINK_API ENetDevice : public Device {
public:
    explicit ENetDevice(const char* name);
    ENetDevice(const ENetDevice& other);
    ENetDevice& operator=(const ENetDevice& other);
    ~ENetDevice() override;
    int write(const unsigned char* data, std::uint32_t length) override;
    int read(const unsigned char* cmd, std::uint32_t cmdLength, unsigned char* reply,
             std::uint32_t* replyLength) override;

private:
    int open();
    void close();
    bool isOpen() const;

    int m_connected;  // 0 = not connected
    int m_socket;     // -1 when none
};

// USB printer class device (/dev/usb/lpN).
class CONLINK_API USBDevice : public Device {
public:
    explicit USBDevice(const char* name);
    USBDevice(const USBDevice&) = default;
    USBDevice& operator=(const USBDevice&) = default;
    ~USBDevice() override;
    int write(const unsigned char* data, std::uint32_t length) override;
    int read(const unsigned char* cmd, std::uint32_t cmdLength, unsigned char* reply,
             std::uint32_t* replyLength) override;

private:
    int open();
    void close();
    bool isOpen() const;
    int _write(const unsigned char* data, std::uint32_t length);
};

// A print queue (CUPS destination), written as a raw job. Its open "handle"
// is the queue's destination record, not a file descriptor.
class CONLINK_API PrinterDevice : public Device {
public:
    explicit PrinterDevice(const char* name);
    PrinterDevice(const PrinterDevice& other);
    PrinterDevice& operator=(const PrinterDevice& other);
    ~PrinterDevice() override;
    int write(const unsigned char* data, std::uint32_t length) override;
    // A print queue has no way back: returns 0 and leaves *replyLength as it is.
    int read(const unsigned char* cmd, std::uint32_t cmdLength, unsigned char* reply,
             std::uint32_t* replyLength) override;

private:
    int open();
    void close();
    bool isOpen() const;

    void* m_queue;  // the CUPS destination while open, else null
};

class CONLINK_API DeviceFactory {
public:
    // A new device of state->type whose name points into state->name (TCP/IP:
    // no name) and whose config state is state; null for a null record or a
    // type outside 1-5.
    static Device* create(_t_CONFIG_STATE* state);
    // Destroys (and so closes) the device; null is ignored.
    static void destory(Device* device);
};

// ---------------------------------------------------------------------------
// The connection interface (C linkage). Strings are 8-bit text.
// ---------------------------------------------------------------------------
extern "C" {

CONLINK_API int KV_UsbConnect(const char* devicePath);
CONLINK_API int KV_ComConnect(const char* portName, int baudRate);
CONLINK_API int KV_ComConnect2(const char* portName, const ComSettings* settings);
CONLINK_API int KV_LptConnect(const char* portName);
CONLINK_API int KV_NetConnect(const char* ip, int port);
CONLINK_API int KV_DrvConnect(const char* queueName);
// Writes length bytes to the current connection. For USB it then pauses
// 500 ms and reads and drops one pending byte. A negative length writes nothing.
CONLINK_API int KV_SendCmd(const unsigned char* data, int length);
// Writes the command and reads the reply; *replyLength is the capacity on
// entry and the reply's length on success. A null replyLength counts as 0.
CONLINK_API int KV_QueryCmd(const unsigned char* cmd, int cmdLength, unsigned char* reply,
                            int* replyLength);

CONLINK_API int JPOS_UsbConnect(const char* devicePath);
CONLINK_API int JPOS_UsbConnectWithPidVid(int productId, int vendorId);
CONLINK_API int JPOS_ComConnect(const char* portName, int baudRate);
CONLINK_API int JPOS_ComConnect2(const char* portName, const ComSettings* settings);
CONLINK_API int JPOS_LptConnect(const char* portName);
CONLINK_API int JPOS_NetConnect(const char* ip, int port);
CONLINK_API int JPOS_DrvConnect(const char* queueName);
// As KV_SendCmd without the USB read-back.
CONLINK_API int JPOS_SendCmd(const unsigned char* data, int length);
CONLINK_API int JPOS_QueryCmd(const unsigned char* cmd, int cmdLength, unsigned char* reply,
                              int* replyLength);

}  // extern "C"
