// Feeds arbitrary bytes to the statistics-file reader and checks what must hold for every input:
// no crash, leak or undefined behaviour; the outcome does not depend on how the bytes are split
// into chunks; and a loaded record, written under any of three locales, loads back to the same
// record, so a file moves between locales unchanged.
#include "store/StatsFile.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

const std::vector<QLocale>& Locales() {
    static const std::vector<QLocale> locales = {QLocale(QLocale::English, QLocale::UnitedStates),
                                                 QLocale(QLocale::German, QLocale::Germany),
                                                 QLocale(QLocale::Arabic, QLocale::Egypt)};
    return locales;
}

// What a load gave: failed, or the record as each locale writes it.
struct Outcome {
    bool ok = false;
    std::vector<std::optional<QByteArray>> written;
    bool operator==(const Outcome&) const = default;
};

Outcome Load(QByteArrayView input, qsizetype chunk) {
    StatsRecord record;
    StatsFileReader reader(record, {});
    for (qsizetype at = 0; at < input.size(); at += chunk) {
        if (!reader.feed(input.sliced(at, std::min(chunk, input.size() - at)))) {
            break;
        }
    }
    const LoadResult result = reader.finish();
    Require(result.ok == result.reason.isEmpty());
    Outcome outcome{result.ok, {}};
    for (const QLocale& locale : Locales()) {
        outcome.written.push_back(result.ok ? StatsFileBytes(record, locale) : std::nullopt);
    }
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView input(data, static_cast<qsizetype>(size));
    const Outcome whole = Load(input, std::max<qsizetype>(input.size(), 1));
    Require(Load(input, 1 + static_cast<qsizetype>(size % 5)) == whole);
    if (whole.ok) {
        for (const std::optional<QByteArray>& written : whole.written) {
            Require(written.has_value()); // whatever loads can be saved
            Require(Load(*written, written->size()) == whole);
        }
    }
    return 0;
}
