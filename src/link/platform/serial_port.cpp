#include "link/platform/serial_port.h"

#include <algorithm>

namespace zarvex {

bool SerialPort::setComNumber(int n, std::string* error) {
    if (!isOpen()) {
        comNumber_ = n;
        return true;
    }
    close();
    comNumber_ = n;
    return open(error);
}

void SerialPort::setBaud(int baud) {
    settings_.baud = baud;
    applySettings();
}
void SerialPort::setDataBits(int bits) {
    settings_.dataBits = bits;
    applySettings();
}
void SerialPort::setParity(int parity) {
    settings_.parity = parity;
    applySettings();
}
void SerialPort::setStopBits(int bits) {
    settings_.stopBits = bits;
    applySettings();
}

int SerialPort::getBlock(char* buffer, int count) {
    const int n = std::clamp(count, 0, inBuffUsed());
    std::copy_n(input_.begin(), n, buffer);
    input_.erase(input_.begin(), input_.begin() + n);
    return n;
}

bool SerialPort::waitForString(std::string_view text, int ticks) {
    if (text.empty())
        return true;
    const std::int64_t deadline = clock_.nowMs() + std::int64_t(ticks) * kTickMs;
    std::size_t matched = 0;
    for (;;) {
        while (!input_.empty()) {
            const char c = input_.front();
            input_.pop_front();
            if (c == text[matched]) {
                if (++matched == text.size())
                    return true;
            } else {
                matched = (c == text[0]) ? 1 : 0;
            }
        }
        if (clock_.nowMs() >= deadline || !isOpen())
            return false;
        clock_.processMessages();
        clock_.sleep(1);
    }
}

void SerialPort::deliver(std::string_view bytes) {
    if (bytes.empty())
        return;
    if (onReceived)
        onReceived(bytes);
    // A full input buffer drops its oldest bytes: they have been shown already, and
    // every exchange flushes the buffer before it starts.
    input_.insert(input_.end(), bytes.begin(), bytes.end());
    if (input_.size() > std::size_t(kInBufferSize))
        input_.erase(input_.begin(), input_.begin() + (input_.size() - kInBufferSize));
    if (onTriggerAvail)
        onTriggerAvail(std::min(inBuffUsed(), 0xFFFF));
}

} // namespace zarvex
