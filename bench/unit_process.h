#pragma once
// The benchmarks run zarvex-unit the way the tests do, and read figures from its log.

#include "support/unit_process.h"

#include <string>

namespace zarvex::bench {

using test::UnitProcess;

// The value of "key": in a JSON log line (numbers only), or -1.
inline double jsonNumber(const std::string& line, const std::string& key) {
    const auto at = line.find("\"" + key + "\":");
    return at == std::string::npos ? -1 : std::stod(line.substr(at + key.size() + 3));
}

} // namespace zarvex::bench
