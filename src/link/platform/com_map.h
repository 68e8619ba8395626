#pragma once
// COM port numbers on Linux. COM 1-4 are /dev/ttyS0-3, COM 5-10 /dev/ttyUSB0-5 and
// COM 11-16 /dev/ttyACM0-5. The environment variable ZARVEX_COM<n> replaces the device
// of COM n (any n from 1 up); set to an empty value it takes the port away.

#include <string>

namespace zarvex {

constexpr int kFirstComPort = 1;
constexpr int kLastComPort = 16;

// The device path of COM n as configured (not checked for existence); empty when n has
// no device.
std::string comDevicePath(int n);

// The canonical path of a device (symlinks and relative parts resolved), so that two
// names of one port lead to one lock; empty when the path does not exist.
std::string canonicalDevicePath(const std::string& path);

} // namespace zarvex
