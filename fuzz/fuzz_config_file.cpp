// The configuration file decoder fed with arbitrary bytes, as a user's damaged or hand-edited
// .ktr27 file would feed it. The sanitizers catch a bad read; the invariants catch a file that
// is refused without a reason, or accepted as something it does not say.
#include "configuration_file.h"

#include "fuzz_require.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The loader never hands the decoder more than this.
    if (size > static_cast<std::size_t>(Configuration_file::largest)) {
        return 0;
    }
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const Configuration_file::Loaded loaded = Configuration_file::decode(bytes);
    fuzz_require(loaded.config.has_value() != !loaded.problem.isEmpty());
    if (loaded.config) {
        // What was accepted is a configuration the window can show and save: saved again, it
        // loads as the same words.
        const Configuration_file::Loaded again =
            Configuration_file::decode(Configuration_file::encode(*loaded.config));
        fuzz_require(again.config.has_value() && *again.config == *loaded.config);
    }
    return 0;
}
