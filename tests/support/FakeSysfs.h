#pragma once
// A machine's serial devices as the kernel and udev lay them out, in a test's folder: sysfs
// (class/ttyUSB0/device leads to the USB interface, whose parent, the USB device, holds product,
// manufacturer and serial) and /dev (the device nodes, and the udev rule's zr48-N links).

#include <filesystem>
#include <fstream>
#include <string>

namespace zr48::test {

class FakeSysfs {
public:
    explicit FakeSysfs(std::filesystem::path root) : root_(std::move(root))
    {
        std::filesystem::create_directories(dev());
        std::filesystem::create_directories(sysClassTty());
    }

    std::filesystem::path dev() const { return root_ / "dev"; }
    std::filesystem::path sysClassTty() const { return root_ / "sys" / "class" / "tty"; }

    // A USB serial device `tty` on the USB device `usbPath` ("1-2"); an empty product leaves the
    // strings out. Its node in /dev is `node` when given (a pseudo-terminal, say), else an
    // ordinary file.
    void addUsbSerial(const std::string& tty, const std::string& usbPath, const std::string& product,
                      const std::string& serial = {}, const std::filesystem::path& node = {})
    {
        const auto device = root_ / "sys" / "devices" / "pci0000:00" / "usb1" / usbPath;
        const auto interface = device / (usbPath + ":1.0") / tty;
        std::filesystem::create_directories(interface);
        if (!product.empty()) {
            std::ofstream(device / "product") << product << "\n";
            std::ofstream(device / "manufacturer") << "KELDO\n";
            if (!serial.empty())
                std::ofstream(device / "serial") << serial << "\n";
        }
        std::filesystem::create_directories(sysClassTty() / tty);
        std::filesystem::create_directory_symlink(interface, sysClassTty() / tty / "device");
        if (node.empty())
            std::ofstream(dev() / tty) << "";
        else
            std::filesystem::create_symlink(node, dev() / tty);
    }

    // The udev rule's link /dev/zr48-N to `tty`.
    void addUnitLink(int number, const std::string& tty)
    {
        std::filesystem::create_symlink(dev() / tty, dev() / ("zr48-" + std::to_string(number)));
    }

private:
    std::filesystem::path root_;
};

} // namespace zr48::test
