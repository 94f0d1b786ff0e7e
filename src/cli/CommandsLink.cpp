#include "cli/CommandsLink.h"

#include "base/Error.h"
#include "cli/Cli.h"
#include "cli/Json.h"
#include "cli/UnitSession.h"
#include "link/Frames.h"
#include "link/LinkTarget.h"

#include <algorithm>
#include <optional>
#include <ostream>

namespace zr48::cli {

namespace {

constexpr int kVersionWaitMs = 1000;

int runStatus(Context& context, const Arguments& arguments)
{
    const auto parsed = parseArguments(context, "status", arguments);
    if (!parsed)
        return parsed.failure();
    if (!parsed->positional.empty())
        return usageError(context, "status");
    int exitCode = kExitOk;
    const auto session = openUnitSession(context, exitCode);
    if (!session)
        return exitCode;
    return reportStatus(
        context.out, context.err, session->link(),
        [&session](const std::function<bool()>& done, int limitMs) { return session->runUntil(done, limitMs); },
        session->description(), parsed->has("--json"));
}

// --- list ----------------------------------------------------------------------------------------

// What `auto` takes: the serial device first, else the first FTDI device with the unit's product
// string.
struct AutoChoice {
    std::optional<SerialChoice> serial;
    const FtdiDeviceInfo* ftdi = nullptr;
};

AutoChoice autoChoice(const SerialSystemFolders& folders, const std::vector<FtdiDeviceInfo>& ftdi)
{
    AutoChoice choice;
    choice.serial = chooseSerialDevice(folders, kZr48Description);
    if (!choice.serial) {
        const auto it = std::find_if(ftdi.begin(), ftdi.end(),
                                     [](const FtdiDeviceInfo& d) { return d.description == kZr48Description; });
        choice.ftdi = it == ftdi.end() ? nullptr : &*it;
    }
    return choice;
}

bool isUnit(const SerialPortInfo& port)
{
    return port.product == kZr48Description || !port.unitLinks.empty();
}

// "KELDO ZR48-USB Link", or (unknown) where sysfs does not say.
std::string quotedOrUnknown(const std::string& text)
{
    return text.empty() ? "(unknown)" : "\"" + text + "\"";
}

void printList(std::ostream& out, const std::vector<SerialPortInfo>& ports, const std::vector<FtdiDeviceInfo>& ftdi,
               const AutoChoice& choice)
{
    out << "Serial devices (ttyUSB, ttyACM):\n";
    if (ports.empty())
        out << "  none\n";
    for (const SerialPortInfo& port : ports) {
        out << "  " << port.device.string() << "  " << quotedOrUnknown(port.product);
        if (!port.serialNumber.empty())
            out << "  serial number " << port.serialNumber;
        if (!port.usbPath.empty())
            out << "  USB " << port.usbPath;
        for (const auto& link : port.unitLinks)
            out << "  " << link.string();
        if (isUnit(port))
            out << "  (a ZR48 converter)";
        out << '\n';
    }
    out << "FTDI devices (libftdi1):\n";
    if (ftdi.empty())
        out << "  none\n";
    for (const FtdiDeviceInfo& device : ftdi) {
        out << "  bus " << device.bus << " device " << device.address << "  ";
        if (!device.problem.empty()) {
            out << "(its strings cannot be read: " << device.problem << ")\n";
            continue;
        }
        out << quotedOrUnknown(device.description);
        if (!device.serialNumber.empty())
            out << "  serial number " << device.serialNumber;
        if (device.description == kZr48Description)
            out << "  (a ZR48 converter)";
        out << '\n';
    }
    out << "--link auto takes: ";
    if (choice.serial)
        out << "the serial device " << choice.serial->device.string();
    else if (choice.ftdi)
        out << "the FTDI device on bus " << choice.ftdi->bus << ", device " << choice.ftdi->address;
    else
        out << "nothing: no ZR48 converter was found";
    out << '\n';
    const auto units = std::count_if(ports.begin(), ports.end(), isUnit);
    if (units > 1)
        out << "Choose another unit with --link serial:SERIALNUMBER.\n";
}

void printListJson(std::ostream& out, const std::vector<SerialPortInfo>& ports, const std::vector<FtdiDeviceInfo>& ftdi,
                   const AutoChoice& choice)
{
    JsonWriter json(out);
    json.beginObject().key("serial").beginArray();
    for (const SerialPortInfo& port : ports) {
        json.beginObject()
            .field("device", port.device.string())
            .field("product", port.product)
            .field("manufacturer", port.manufacturer)
            .field("serialNumber", port.serialNumber)
            .field("usbPath", port.usbPath)
            .key("links")
            .beginArray();
        for (const auto& link : port.unitLinks)
            json.string(link.string());
        json.endArray().booleanField("zr48", isUnit(port)).endObject();
    }
    json.endArray().key("ftdi").beginArray();
    for (const FtdiDeviceInfo& device : ftdi) {
        json.beginObject()
            .numberField("bus", device.bus)
            .numberField("address", device.address)
            .field("product", device.description)
            .field("manufacturer", device.manufacturer)
            .field("serialNumber", device.serialNumber)
            .key("problem");
        device.problem.empty() ? json.null() : json.string(device.problem);
        json.booleanField("zr48", device.description == kZr48Description).endObject();
    }
    json.endArray().key("auto");
    if (choice.serial) {
        json.beginObject().field("way", "serial").field("device", choice.serial->device.string()).endObject();
    } else if (choice.ftdi) {
        json.beginObject()
            .field("way", "ftdi")
            .numberField("bus", choice.ftdi->bus)
            .numberField("address", choice.ftdi->address)
            .endObject();
    } else {
        json.null();
    }
    json.endObject();
}

int runList(Context& context, const Arguments& arguments)
{
    const auto parsed = parseArguments(context, "list", arguments);
    if (!parsed)
        return parsed.failure();
    if (!parsed->positional.empty())
        return usageError(context, "list");
    const SerialSystemFolders& folders = context.options.systemFolders;
    const std::vector<SerialPortInfo> ports = listSerialPorts(folders);
    const std::vector<FtdiDeviceInfo> ftdi =
        context.options.ftdiDevices ? context.options.ftdiDevices() : listFtdiDevices();
    const AutoChoice choice = autoChoice(folders, ftdi);
    if (parsed->has("--json"))
        printListJson(context.out, ports, ftdi, choice);
    else
        printList(context.out, ports, ftdi, choice);
    return kExitOk;
}

} // namespace

int reportStatus(std::ostream& out, std::ostream& err, TUsbZR48& link, const RunUntil& runUntil, const std::string& how,
                 bool json)
{
    std::optional<Text> version;
    const auto request = encode(VersionRequestFrame{});
    link.SetFrameHandler([&](const std::uint8_t* payload, int length) {
        if (payload && FrameView(payload, static_cast<std::size_t>(length)).is(FrameType::VersionReply))
            version = decodeVersionReply(FrameView(payload, static_cast<std::size_t>(length))).version;
    });
    // A converter that cannot be opened now is not tried again within the wait.
    if (link.DeviceOpen()) {
        link.Send(request); // its reply makes the connection without waiting for a keep-alive
        runUntil([&] { return link.Connected(); }, UnitSession::kConnectWaitMs);
    }
    if (link.Connected() && !version) {
        link.Send(request);
        runUntil([&] { return version.has_value(); }, kVersionWaitMs);
    }
    if (json) {
        JsonWriter writer(out);
        writer.beginObject()
            .booleanField("connected", link.Connected())
            .field("status", toUtf8(link.StatusText()))
            .field("link", how)
            .key("firmwareVersion");
        version ? writer.string(toUtf8(*version)) : writer.null();
        writer.numberField("bytesSent", link.TxCount()).numberField("bytesReceived", link.RxCount()).endObject();
    }
    if (!link.Connected()) {
        reportNoUnit(err, link, how);
        return kExitNoUnit;
    }
    if (!json) {
        out << toUtf8(link.StatusText()) << "\n";
        out << "Firmware version: " << (version ? toUtf8(*version) : "Unknown") << "\n";
    }
    return kExitOk;
}

Command statusCommand()
{
    static const OptionRow options[] = {
        {.longName = "--json", .help = "print the state as one JSON document instead, also when no ZR48 answered"},
    };
    return {.name = "status",
            .summary = "Connect to the ZR48 and show the link state and its firmware version.",
            .details = "Opens the link chosen by --link, waits up to 3 s for the ZR48 to answer and prints the\n"
                       "link's status text and the unit's firmware version. Exit status 0 when connected, 2 when\n"
                       "no ZR48 answered.",
            .options = options,
            .run = runStatus};
}

Command listCommand()
{
    static const OptionRow options[] = {
        {.longName = "--json", .help = "print the list as one JSON document instead"},
    };
    return {.name = "list",
            .summary = "List the USB serial converters found, and say which one --link auto takes.",
            .details = "Serial devices with their USB product string, serial number and place on USB (from\n"
                       "sysfs) and the /dev/zr48-N links of the udev rule; FTDI devices as libftdi1 finds them.\n"
                       "Where several ZR48 are plugged in, --link serial:SERIALNUMBER chooses one.",
            .options = options,
            .run = runList};
}

} // namespace zr48::cli
