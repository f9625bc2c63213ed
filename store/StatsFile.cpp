#include "StatsFile.h"

#include "ReplaceFile.h"
#include "engine/CurrencyText.h"

#include <QStringDecoder>

#include <array>
#include <variant>

namespace {

// A line of the file is the field it holds; the field's type gives the line kind: Currency a
// number line, VbBool a boolean line, QString a text line.
using LineField =
    std::variant<Currency StatsRecord::*, VbBool StatsRecord::*, QString StatsRecord::*>;
struct FileLine {
    LineField field;
    bool addsPendingClicks = false;
};
const std::array<FileLine, kLinesPerRecord> kFileLines{{
    {&StatsRecord::ClicksToday, true},
    {&StatsRecord::WindowsToday},
    {&StatsRecord::TravelToday},
    {&StatsRecord::AutoStartOn},
    {&StatsRecord::Units},
    {&StatsRecord::ScreenDimX},
    {&StatsRecord::ScreenDimY},
    {&StatsRecord::SinceDate},
    {&StatsRecord::ClicksTotal, true},
    {&StatsRecord::WindowsTotal},
    {&StatsRecord::TravelTotal},
    {&StatsRecord::LastDate},
}};

template <class... F> struct Overloaded : F... { using F::operator()...; };
template <class... F> Overloaded(F...) -> Overloaded<F...>;

// The decimal separators that locales write: the full stop, the comma and the Arabic decimal
// separator. A file is read with all of them whatever the locale, since the locale it was
// written under is not known; grouping is never written and never read, so "1,234" is 1.234.
constexpr std::array<QStringView, 3> kDecimalPoints{u".", u",", u"\u066B"};

// A number line: digits with one decimal separator at most. No two separators can both pass,
// since the text under one separator fails on any other.
std::optional<Currency> NumberFromText(QStringView text) {
    for (const QStringView point : kDecimalPoints) {
        if (const std::optional<Currency> value = CurrencyFromText(text, point, {})) {
            return value;
        }
    }
    return std::nullopt;
}

// A boolean line: "True"/"False" in any case, or a number, false exactly when it is zero. The
// number's form is checked with its digits 1 to 9 turned into 0, so that a value beyond the
// Currency range is still true and 0.00001 is not rounded to false.
std::optional<VbBool> BoolFromText(const QString& line) {
    const QStringView text = QStringView(line).trimmed();
    if (text.compare(u"True", Qt::CaseInsensitive) == 0) {
        return kTrue;
    }
    if (text.compare(u"False", Qt::CaseInsensitive) == 0) {
        return kFalse;
    }
    QString zeroed = text.toString();
    bool nonZero = false;
    for (QChar& c : zeroed) {
        if (c >= u'1' && c <= u'9') {
            c = u'0';
            nonZero = true;
        }
    }
    if (!NumberFromText(zeroed)) {
        return std::nullopt;
    }
    return nonZero ? kTrue : kFalse;
}

} // namespace

StatsFileReader::StatsFileReader(StatsRecord& record, std::function<bool()> afterEachRecord)
    : record_(record), afterEachRecord_(std::move(afterEachRecord)) {}

bool StatsFileReader::fail(const QString& reason) {
    failure_ = QStringLiteral("line %1: %2").arg(lineNumber_).arg(reason);
    return false;
}

bool StatsFileReader::feed(QByteArrayView bytes) {
    if (failure_) {
        return false;
    }
    const char* const data = bytes.data();
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    if (afterCarriageReturn_ && size > 0) {
        afterCarriageReturn_ = false;
        i += data[0] == '\n' ? 1 : 0; // the LF of a CR LF split between chunks
    }
    while (i < size) {
        qsizetype end = i;
        while (end < size && data[end] != '\r' && data[end] != '\n') {
            ++end;
        }
        if (line_.size() + (end - i) > kMaxLineBytes) {
            ++lineNumber_;
            return fail(QStringLiteral("longer than %1 bytes").arg(kMaxLineBytes));
        }
        line_.append(data + i, end - i);
        if (end == size) {
            break;
        }
        i = end + 1;
        if (data[end] == '\r') {
            if (i == size) {
                afterCarriageReturn_ = true;
            } else if (data[i] == '\n') {
                ++i;
            }
        }
        if (!endLine()) {
            return false;
        }
    }
    return true;
}

bool StatsFileReader::endLine() {
    ++lineNumber_;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    const QString text = decoder.decode(line_);
    line_.clear();
    if (decoder.hasError()) {
        return fail(QStringLiteral("not UTF-8 text"));
    }
    const auto store = [](auto& field, auto value) {
        if (value) {
            field = *value;
        }
        return value.has_value();
    };
    const bool converted = std::visit(
        Overloaded{
            [&](Currency StatsRecord::*field) {
                return store(staged_.*field, NumberFromText(text));
            },
            [&](VbBool StatsRecord::*field) { return store(staged_.*field, BoolFromText(text)); },
            [&](QString StatsRecord::*field) {
                staged_.*field = text;
                return true;
            },
        },
        kFileLines[lineInRecord_].field);
    if (!converted) {
        return fail(std::holds_alternative<VbBool StatsRecord::*>(kFileLines[lineInRecord_].field)
                        ? QStringLiteral("not True, False or a number")
                        : QStringLiteral("not a number in range"));
    }
    if (++lineInRecord_ < kLinesPerRecord) {
        return true;
    }
    lineInRecord_ = 0;
    for (const FileLine& each : kFileLines) {
        std::visit([&](auto field) { record_.*field = staged_.*field; }, each.field);
    }
    record_.PendingClicks = 0; // the loaded click counts include them
    if (afterEachRecord_ && !afterEachRecord_()) {
        return fail(QStringLiteral("the steps after the record failed"));
    }
    return true;
}

LoadResult StatsFileReader::finish() {
    if (!failure_ && !line_.isEmpty()) {
        endLine(); // a last line without a line end
    }
    if (!failure_ && lineInRecord_ != 0) {
        fail(QStringLiteral("the file ends inside a record"));
    }
    if (failure_) {
        return {false, *failure_};
    }
    return {true, {}};
}

LoadResult ReadStatsFile(const QString& path, StatsRecord& record,
                         const std::function<bool()>& afterEachRecord) {
    StatsFileReader reader(record, afterEachRecord);
    if (const QString failure =
            ReadRegularFile(path, [&reader](QByteArrayView bytes) { return reader.feed(bytes); });
        !failure.isEmpty()) {
        return {false, failure};
    }
    return reader.finish();
}

std::optional<QByteArray> StatsFileBytes(const StatsRecord& record, const QLocale& locale) {
    const Currency pending = *Currency::fromInt(record.PendingClicks);
    QByteArray bytes;
    for (const FileLine& line : kFileLines) {
        const std::optional<QString> text = std::visit(
            Overloaded{
                [&](Currency StatsRecord::*field) -> std::optional<QString> {
                    const Currency value = line.addsPendingClicks
                                               ? (record.*field).clampedPlus(pending)
                                               : record.*field;
                    const QString number = CurrencyToText(value, locale);
                    return (value.raw() < 0 ? number : u' ' + number) + u' ';
                },
                [&](VbBool StatsRecord::*field) -> std::optional<QString> {
                    return record.*field != 0 ? QStringLiteral("True") : QStringLiteral("False");
                },
                [&](QString StatsRecord::*field) -> std::optional<QString> {
                    return record.*field;
                },
            },
            line.field);
        if (!text) {
            return std::nullopt;
        }
        const QByteArray encoded = text->toUtf8();
        if (encoded.size() > kMaxLineBytes || encoded.contains('\r') || encoded.contains('\n')) {
            return std::nullopt;
        }
        bytes += encoded;
        bytes += "\r\n";
    }
    return bytes;
}

SaveResult WriteStatsFile(const QString& directory, const StatsRecord& record) {
    const std::optional<QByteArray> bytes = StatsFileBytes(record);
    if (!bytes) {
        return {false, QStringLiteral("Could not save %1: a text holds a line break or is too "
                                      "long")
                           .arg(kStatsFileName)};
    }
    QString error = ReplaceFileContents(directory, QLatin1String(kStatsFileName), *bytes);
    return {error.isEmpty(), std::move(error)};
}

bool Timer4_Timer(std::int16_t& Timer4Count) {
    if (++Timer4Count == kSaveEveryMinutes) {
        Timer4Count = 0;
        return true;
    }
    return false;
}
