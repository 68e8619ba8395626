#pragma once
// read_loader_defaults: applies LoaderDefault.ini at start-up. Every setting is carried
// out as its line completes; the two prompt characters take effect after the whole file.
// A missing file changes nothing and says nothing. Only an invalid baud rate is reported,
// and so are lines and values too long for their buffers, which are refused whole.

#include "app/config_lines.h"
#include "engine/loader_state.h"
#include "engine/views.h"
#include "link/platform/operator.h"
#include "link/platform/serial_port.h"

#include <array>

namespace zarvex {

// What the settings write to: the loader state, the (closed) serial port, the main
// window's baud label, terminal look and script folder, and the Ethernet dialog's boxes.
struct ConfigTargets {
    LoaderState& state;
    SerialPort& port;
    MainView& view;
    EthernetDialogView& ethernet;
    Operator& op;
};

inline constexpr std::array<int, 8> kConfigBaudRates = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
inline constexpr const char* kInvalidBaudMessage =
    "Error! Baud Rate set in LoaderDefault.ini file is invalid!";
// Positions 2-5, 8, 24-27 are worked on in an area of this many characters; position 19
// has two fewer, for the CR LF appended to it.
inline constexpr std::size_t kConfigWorkArea = 19;
inline constexpr std::size_t kLoaderCommandWorkArea = 17;

void read_loader_defaults(ConfigTargets& targets, const std::string& path = kLoaderDefaultsFile);

} // namespace zarvex
