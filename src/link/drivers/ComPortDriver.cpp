#include "link/drivers/ComPortDriver.h"

#include "base/Platform.h"

// windows.h first: the others build on it.
#include <windows.h>

#include <initguid.h>
// After initguid.h, so that the keys and class GUIDs are defined here:
#include <devguid.h>
#include <devpkey.h>
#include <setupapi.h>
// After setupapi.h:
#include <cfgmgr32.h>

#include <chrono>
#include <thread>

namespace zr48 {

namespace {

using platform::narrow;
using platform::widen;

// A string up to its first NUL, from a buffer that the system filled.
std::string fromBuffer(const std::vector<wchar_t>& buffer)
{
    return narrow(std::wstring_view(buffer.data(), wcsnlen(buffer.data(), buffer.size())));
}

std::string registryText(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property)
{
    std::vector<wchar_t> buffer(512, L'\0');
    DWORD type = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, reinterpret_cast<BYTE*>(buffer.data()),
                                           static_cast<DWORD>(buffer.size() * sizeof(wchar_t)), nullptr) ||
        type != REG_SZ)
        return {};
    return fromBuffer(buffer);
}

// The description the bus reported: for a USB device its product string (Windows 7 and later).
std::string busReportedDescription(HDEVINFO set, SP_DEVINFO_DATA& device)
{
    std::vector<wchar_t> buffer(512, L'\0');
    DEVPROPTYPE type = 0;
    if (!SetupDiGetDevicePropertyW(set, &device, &DEVPKEY_Device_BusReportedDeviceDesc, &type,
                                   reinterpret_cast<BYTE*>(buffer.data()),
                                   static_cast<DWORD>(buffer.size() * sizeof(wchar_t)), nullptr, 0) ||
        type != DEVPROP_TYPE_STRING)
        return {};
    return fromBuffer(buffer);
}

// "PortName" in the device's hardware key: the port the serial driver made.
std::string registryPortName(HDEVINFO set, SP_DEVINFO_DATA& device)
{
    const HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE)
        return {};
    std::vector<wchar_t> buffer(64, L'\0');
    DWORD type = 0;
    DWORD size = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
    const bool read = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                                       &size) == ERROR_SUCCESS &&
                      type == REG_SZ;
    RegCloseKey(key);
    return read ? fromBuffer(buffer) : std::string{};
}

// The serial number of the USB device that the port belongs to: the port's own device, or one of
// its parents (FTDI's driver puts a bus device of its own in between).
std::string usbSerialNumber(DEVINST device)
{
    for (int level = 0; level < 4; ++level) {
        wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
        if (CM_Get_Device_IDW(device, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS)
            return {};
        const std::string text = narrow(id);
        if (text.size() > 4 && (text.starts_with("USB\\") || text.starts_with("usb\\")))
            return usbSerialNumberOfInstance(text);
        DEVINST parent = 0;
        if (CM_Get_Parent(&parent, device, 0) != CR_SUCCESS)
            return {};
        device = parent;
    }
    return {};
}

std::string systemMessage(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length ? narrow(std::wstring_view(text, length)) : "Windows error " + std::to_string(error);
    LocalFree(text);
    while (!message.empty() &&
           (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    return message;
}

HANDLE asHandle(void* handle)
{
    return static_cast<HANDLE>(handle);
}

// Applies `change` to the port's line settings.
template <typename Change>
FtStatus changeLine(HANDLE port, Change change)
{
    if (port == INVALID_HANDLE_VALUE)
        return FT_INVALID_HANDLE;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port, &dcb))
        return FT_IO_ERROR;
    if (!change(dcb))
        return FT_INVALID_PARAMETER;
    return SetCommState(port, &dcb) ? FT_OK : FT_IO_ERROR;
}

// Waits for an overlapped operation at most `timeoutMs`; cancels it when it takes longer.
bool finish(HANDLE port, OVERLAPPED& operation, DWORD& transferred, DWORD timeoutMs)
{
    if (WaitForSingleObject(operation.hEvent, timeoutMs) != WAIT_OBJECT_0) {
        CancelIoEx(port, &operation);
        GetOverlappedResult(port, &operation, &transferred, TRUE);
        return false;
    }
    return GetOverlappedResult(port, &operation, &transferred, FALSE) != 0;
}

} // namespace

ComPortDriver::ComPortDriver(std::string serialNumber)
    : serialNumber_(std::move(serialNumber)), handle_(INVALID_HANDLE_VALUE),
      waitEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{}

ComPortDriver::ComPortDriver(Port port) : ComPortDriver()
{
    explicitPort_ = std::move(port.name);
}

ComPortDriver::~ComPortDriver()
{
    close();
    if (waitEvent_)
        CloseHandle(asHandle(waitEvent_));
}

std::vector<ComPortDevice> ComPortDriver::presentPorts()
{
    std::vector<ComPortDevice> ports;
    const HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return ports;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        ports.push_back({registryText(set, device, SPDRP_FRIENDLYNAME), registryText(set, device, SPDRP_DEVICEDESC),
                         busReportedDescription(set, device), registryPortName(set, device),
                         usbSerialNumber(device.DevInst)});
    }
    SetupDiDestroyDeviceInfoList(set);
    return ports;
}

FtStatus ComPortDriver::openByDescription(const std::string& description)
{
    close();
    failure_ = {};
    std::string port;
    if (explicitPort_) {
        port = *explicitPort_;
    } else {
        const auto found = findComPortByDescription(presentPorts(), description, serialNumber_);
        if (!found)
            return FT_DEVICE_NOT_FOUND;
        port = *found;
    }
    const HANDLE handle = CreateFileW(widen(comPortDevicePath(port)).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return FT_DEVICE_NOT_FOUND;
        if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
            failure_ = {"Port in use", "Cannot open " + port +
                                           ": another program has it open. Close that program (a terminal, "
                                           "another ZR48 Project Manager) and try again."};
        else
            failure_ = {systemMessage(error), "Cannot open " + port + ": " + systemMessage(error) + "."};
        return FT_DEVICE_NOT_OPENED;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle, &dcb)) {
        CloseHandle(handle);
        failure_ = {"Not a serial port", port + " is not a serial port."};
        return FT_DEVICE_NOT_OPENED;
    }
    // Raw bytes: no flow control, no character translation, no abort on a line error.
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    SetCommState(handle, &dcb);
    // A read returns at once with what has arrived; a write gets a second to leave.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutConstant = 1000;
    SetCommTimeouts(handle, &timeouts);
    SetupComm(handle, 65536, 16384);
    SetCommMask(handle, EV_RXCHAR);
    PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
    handle_.store(handle);
    return FT_OK;
}

FtStatus ComPortDriver::setBaudRate(std::uint32_t baud)
{
    if (baud == 0)
        return FT_INVALID_BAUD_RATE;
    const FtStatus status = changeLine(asHandle(handle_.load()), [baud](DCB& dcb) {
        dcb.BaudRate = baud;
        return true;
    });
    // A rate the port cannot make is refused by SetCommState.
    return status == FT_IO_ERROR ? FT_INVALID_BAUD_RATE : status;
}

FtStatus ComPortDriver::setDataCharacteristics(std::uint8_t bits, std::uint8_t stopBits, std::uint8_t parity)
{
    return changeLine(asHandle(handle_.load()), [=](DCB& dcb) {
        if (bits != 7 && bits != 8)
            return false;
        dcb.ByteSize = bits;
        if (stopBits == FT_STOP_BITS_1)
            dcb.StopBits = ONESTOPBIT;
        else if (stopBits == 2)
            dcb.StopBits = TWOSTOPBITS;
        else
            return false;
        switch (parity) {
        case FT_PARITY_NONE: dcb.Parity = NOPARITY; break;
        case 1: dcb.Parity = ODDPARITY; break;
        case 2: dcb.Parity = EVENPARITY; break;
        default: return false;
        }
        dcb.fParity = parity != FT_PARITY_NONE;
        return true;
    });
}

FtStatus ComPortDriver::setFlowControl(std::uint16_t flow)
{
    return changeLine(asHandle(handle_.load()), [flow](DCB& dcb) {
        const bool rtsCts = flow == 0x0100; // FT_FLOW_RTS_CTS
        if (!rtsCts && flow != FT_FLOW_NONE)
            return false;
        dcb.fOutxCtsFlow = rtsCts;
        dcb.fRtsControl = rtsCts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
        return true;
    });
}

FtStatus ComPortDriver::setLatencyTimer(std::uint8_t)
{
    // The latency timer of an FTDI converter's COM port is one of its port settings in the device
    // manager (Advanced...), kept by its driver; a program cannot change it through the port.
    return asHandle(handle_.load()) == INVALID_HANDLE_VALUE ? FT_INVALID_HANDLE : FT_NOT_SUPPORTED;
}

std::size_t ComPortDriver::queuedBytes()
{
    DWORD errors = 0;
    COMSTAT status{};
    const HANDLE port = asHandle(handle_.load());
    if (port == INVALID_HANDLE_VALUE || !ClearCommError(port, &errors, &status))
        return 0;
    return status.cbInQue;
}

std::size_t ComPortDriver::read(std::uint8_t* buffer, std::size_t n)
{
    const HANDLE port = asHandle(handle_.load());
    if (port == INVALID_HANDLE_VALUE || n == 0)
        return 0;
    OVERLAPPED operation{};
    operation.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD got = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(n, MAXDWORD));
    // The timeouts make a read return at once; the wait is for the system to hand the bytes over.
    if (!ReadFile(port, buffer, wanted, &got, &operation) &&
        (GetLastError() != ERROR_IO_PENDING || !finish(port, operation, got, 1000)))
        got = 0;
    CloseHandle(operation.hEvent);
    return got;
}

void ComPortDriver::write(const std::uint8_t* bytes, std::size_t n)
{
    const HANDLE port = asHandle(handle_.load());
    if (port == INVALID_HANDLE_VALUE || n == 0)
        return;
    OVERLAPPED operation{};
    operation.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD put = 0;
    // What has not left within the write timeout is lost, as on a failed FT_Write (the tools resend).
    if (!WriteFile(port, bytes, static_cast<DWORD>(n), &put, &operation) && GetLastError() == ERROR_IO_PENDING)
        finish(port, operation, put, 2000);
    CloseHandle(operation.hEvent);
}

bool ComPortDriver::waitReadable(int timeoutMs)
{
    const HANDLE port = asHandle(handle_.load());
    const DWORD timeout = static_cast<DWORD>(std::max(timeoutMs, 0));
    if (port != INVALID_HANDLE_VALUE && waitEvent_) {
        if (queuedBytes() > 0)
            return true;
        OVERLAPPED operation{};
        operation.hEvent = asHandle(waitEvent_);
        ResetEvent(operation.hEvent);
        DWORD events = 0;
        DWORD ignored = 0;
        if (WaitCommEvent(port, &events, &operation))
            return queuedBytes() > 0 || (events & EV_RXCHAR);
        if (GetLastError() == ERROR_IO_PENDING) {
            // Bytes that came just before the wait began raise no event of their own.
            if (queuedBytes() > 0) {
                SetCommMask(port, EV_RXCHAR); // ends the pending wait
                GetOverlappedResult(port, &operation, &ignored, TRUE);
                return true;
            }
            if (finish(port, operation, ignored, timeout))
                return queuedBytes() > 0 || (events & EV_RXCHAR);
            return false;
        }
    }
    // Closed or gone: wait out the time so that the caller does not spin.
    std::this_thread::sleep_for(std::chrono::milliseconds(timeout));
    return false;
}

void ComPortDriver::close()
{
    const HANDLE port = asHandle(handle_.exchange(INVALID_HANDLE_VALUE));
    if (port != INVALID_HANDLE_VALUE)
        CloseHandle(port);
}

} // namespace zr48
