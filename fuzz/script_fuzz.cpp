// Feeds arbitrary bytes to the script reader and the dispatcher as a script file, with a
// virtual unit on the serial link and virtual time. Any crash or sanitizer report is a
// fault; so is a run that never ends (the virtual-time budget below stops _WP-style waits).

#include "support/engine_rig.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr std::int64_t kVirtualBudgetMs = 30LL * 60 * 1000;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zarvex;
    test::EngineRig rig;
    unit::UnitModel unit({.keepHistory = false});
    rig.openSerial(1, test::peerOf(unit));
    rig.op.answers = {true, false, true};
    rig.clock.onPump.push_back([&rig] {
        if (rig.clock.nowMs() > kVirtualBudgetMs)
            rig.progress.CancelButtonClick();
    });
    rig.run(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
