// The loop plan decoder fed with arbitrary bytes, as a user's damaged or hand-edited .ktr27loop
// file would feed it. The sanitizers catch a bad read; the invariants catch a file refused
// without a reason, or accepted as something it does not say.
#include "loop_plan_file.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The loader never hands the decoder more than this.
    if (size > static_cast<std::size_t>(Loop_plan_file::largest)) {
        return 0;
    }
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const Loop_plan_file::Loaded loaded = Loop_plan_file::decode(bytes);
    require(loaded.plan.has_value() != !loaded.problem.isEmpty());
    if (loaded.plan) {
        for (const auto& entry : loaded.plan->detectors) {
            require(entry.first >= 0 && entry.first <= 99);
        }
        // Saved again, an accepted plan loads as the same plan.
        const Loop_plan_file::Loaded again =
            Loop_plan_file::decode(Loop_plan_file::encode(*loaded.plan));
        require(again.plan.has_value() && *again.plan == *loaded.plan);
    }
    return 0;
}
