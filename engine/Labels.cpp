#include "Labels.h"

#include "Display.h"

#include <QLocale>

MainLabels::MainLabels() {
    texts_.fill(QStringLiteral("0"));
    texts_[index(Label::Date)] = QStringLiteral("Start");
    texts_[index(Label::SinceDate)] = QStringLiteral("Start");
}

void MainLabels::write(Label label, const QString& text) {
    texts_[index(label)] = text;
    if (label <= Label::TotalWinCount) {
        // A count label's text read as a number; an empty or non-numeric text reads as 0.
        bool ok = false;
        const qlonglong number = GroupingLocale().toLongLong(text.trimmed(), &ok);
        counts_[index(label)] = ok ? Currency::fromInt(number).value_or(Currency()) : Currency();
    }
    if (sink_) {
        sink_->setLabel(label, text);
    }
}

void MainLabels::writeCount(Label label, Currency value) {
    const QString text = FormatCount(value);
    texts_[index(label)] = text;
    counts_[index(label)] = Currency::fromInt(value.roundedToInt()).value_or(Currency());
    if (sink_) {
        sink_->setLabel(label, text);
    }
}
