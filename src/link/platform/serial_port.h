#pragma once
// The serial port as the loader sees it: a numbered COM port with line settings, an
// input buffer of 8192 bytes, an output buffer of 4096 bytes paced by the line, the CTS
// line and a data-available event. The input side lives here; the device side (open,
// write, pacing, modem lines) belongs to the concrete port.

#include "link/platform/clock.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

namespace zarvex {

struct LineSettings {
    int baud = 38400;
    int dataBits = 8;
    int parity = 0; // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int stopBits = 1;
};

struct ModemLines {
    bool cts = false;
    bool dcd = false;
    bool known = false; // false where the device has no modem lines
};

class SerialPort {
public:
    static constexpr int kInBufferSize = 8192;
    static constexpr int kOutBufferSize = 4096;
    static constexpr int kTickMs = 55;

    explicit SerialPort(Clock& clock) : clock_(clock) {}
    virtual ~SerialPort() = default;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // --- device side ---
    int comNumber() const { return comNumber_; }
    // On a closed port only records the number; on an open one closes it and opens the
    // new number. False (port closed, reason in *error) when that opening fails.
    bool setComNumber(int n, std::string* error = nullptr);
    // Opens comNumber() with the current settings; false with a reason on failure.
    virtual bool open(std::string* error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // True when port n exists and can be opened; leaves it closed. False for 0.
    virtual bool isPortAvailable(int n) = 0;
    // The device path of port n (for menus and messages), empty when unmapped.
    virtual std::string devicePath(int n) const = 0;

    const LineSettings& settings() const { return settings_; }
    int baud() const { return settings_.baud; }
    // Take effect at once, also on an open port.
    void setBaud(int baud);
    void setDataBits(int bits);
    void setParity(int parity);
    void setStopBits(int bits);

    // Bytes that are queued for the line and not yet sent.
    virtual int outBuffUsed() = 0;
    int outBuffFree() { return kOutBufferSize - outBuffUsed(); }
    virtual bool cts() = 0;
    virtual ModemLines modemLines() = 0;
    // Copy the bytes into the output buffer and return; false when the port is closed.
    virtual bool putString(std::string_view text) = 0;
    virtual bool putBlock(const char* data, int count) = 0;
    virtual void flushOutBuffer() = 0;
    // Lets the port move pending bytes in both directions now.
    virtual void processCommunications() = 0;

    // --- input side ---
    int inBuffUsed() const { return static_cast<int>(input_.size()); }
    // Discards everything waiting, also what the device has received but not yet delivered.
    virtual void flushInBuffer() { input_.clear(); }
    // Moves up to `count` waiting bytes into `buffer`; returns how many were moved.
    int getBlock(char* buffer, int count);
    // Reads incoming bytes until `text` has arrived (true) or `ticks` ticks of 55 ms have
    // passed (false), pumping messages while it waits. Case-sensitive.
    bool waitForString(std::string_view text, int ticks);

    // Every received byte, as it arrives (the terminal and the RXD light watch this).
    std::function<void(std::string_view bytes)> onReceived;
    // Bytes are waiting in the input buffer; the count is capped to 16 bits.
    std::function<void(int count)> onTriggerAvail;
    // Bytes were handed to the line (the TXD light watches this).
    std::function<void(int count)> onSent;
    // The device went away (unplugged, pty closed); the port has been closed.
    std::function<void(const std::string& reason)> onLost;

protected:
    // Concrete ports call this with bytes read from the device, inside a pump.
    void deliver(std::string_view bytes);
    virtual void applySettings() = 0;
    Clock& clock_;
    int comNumber_ = 1;
    LineSettings settings_;

private:
    std::deque<char> input_;
};

} // namespace zarvex
