// Feeds arbitrary bytes to the statistics-file reader under two locales and checks what must
// hold for every input: no crash, leak or undefined behaviour; the outcome does not depend on
// how the bytes are split into chunks; and a loaded record is written back to bytes that load
// to the same record and write to the same bytes.
#include "store/StatsFile.h"

#include <cstdint>
#include <cstdlib>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

struct Outcome {
    bool ok = false;
    std::optional<QByteArray> written;
};

Outcome Load(QByteArrayView input, qsizetype chunk, const QLocale& locale) {
    StatsRecord record;
    StatsFileReader reader(record, {}, locale);
    for (qsizetype at = 0; at < input.size(); at += chunk) {
        if (!reader.feed(input.sliced(at, std::min(chunk, input.size() - at)))) {
            break;
        }
    }
    const LoadResult result = reader.finish();
    Require(result.ok == result.reason.isEmpty());
    return {result.ok, result.ok ? StatsFileBytes(record, locale) : std::nullopt};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QLocale kLocales[] = {QLocale(QLocale::English, QLocale::UnitedStates),
                                       QLocale(QLocale::German, QLocale::Germany)};
    const QByteArrayView input(data, static_cast<qsizetype>(size));
    for (const QLocale& locale : kLocales) {
        const Outcome whole = Load(input, std::max<qsizetype>(input.size(), 1), locale);
        const Outcome pieces = Load(input, 1 + static_cast<qsizetype>(size % 5), locale);
        Require(whole.ok == pieces.ok && whole.written == pieces.written);
        if (whole.ok) {
            Require(whole.written.has_value()); // whatever loads can be saved
            const Outcome again = Load(*whole.written, whole.written->size(), locale);
            Require(again.ok && again.written == whole.written);
        }
    }
    return 0;
}
