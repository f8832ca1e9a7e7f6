#pragma once
// What a printer device tells about itself without a byte of ESC/POS: the status
// lines of a USB or parallel printer (LPGETSTATUS) and the IEEE 1284 device ID that
// the USB printer driver publishes in sysfs.
#include <optional>
#include <string>

namespace platform {
struct Context;
}

namespace printer {

// The status byte of a printer device, nullopt when the device has none (a terminal,
// a file) or cannot be asked.
std::optional<int> ReadLpStatus(int fd);
// "out of paper", "off-line", "error", or "" when the byte shows nothing wrong.
std::string DescribeLpStatus(int status);

struct DeviceId {
    std::string make;   // MFG / MANUFACTURER
    std::string model;  // MDL / MODEL
    std::string serial; // SN / SERIALNUMBER
};
// Parses an IEEE 1284 device ID ("MFG:Acme;MDL:TM-1;CMD:ESC/POS;"), with or without
// its two length bytes. Keys are matched without regard to case.
DeviceId ParseDeviceId(const std::string& text);
// "Acme TM-1" for LPT1 / LPT2 when the USB printer behind it publishes an ID; read
// from /sys/class/usbmisc/lp<n-1>/device/ieee1284_id without opening the device.
std::string LptPrinterModel(const platform::Context& context, int lptNumber);
// The device ID the USB printer driver publishes for the printer device at path
// (/dev/usb/lp<n>, as the link names it): read from sysfs, "" when there is none.
std::string UsbPrinterDeviceId(const platform::Context& context, const std::string& path);

} // namespace printer
