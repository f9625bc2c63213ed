#include "platform/AutostartEntry.h"
#include "platform/DesktopProbe.h"
#include "setup/frmOdovexSetup.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Records each call with the AutoStartOn it found. The replay at start-up is left to the
// end-to-end test.
struct FakeEntry : AutostartEntry {
    explicit FakeEntry(const StatsRecord& record) : record(record) {}
    QString create() override {
        calls.push_back(record.AutoStartOn ? "create on" : "create off");
        return {};
    }
    void remove() override { calls.push_back(record.AutoStartOn ? "remove on" : "remove off"); }
    const StatsRecord& record;
    std::vector<std::string> calls;
};

class SetupDialog : public testing::Test {
protected:
    frmOdovexSetup& Load(const char* units = "English") {
        record.Units = QString::fromLatin1(units);
        dialog = std::make_unique<frmOdovexSetup>(record, entry);
        dialog->beep = [this] {
            ++beeps;
        };
        return *dialog;
    }
    template <typename Control = QLineEdit> Control* Child(const char* name) {
        return dialog->findChild<Control*>(QLatin1StringView(name));
    }
    QString Captions() { return Child<QLabel>("Label7")->text() + Child<QLabel>("Label8")->text(); }

    StatsRecord record = [] {
        StatsRecord r;
        r.AppPath = QStringLiteral("/home/u/My Odovex");
        r.ScreenDimX = Currency::fromRaw(140000);
        r.ScreenDimY = Currency::fromRaw(105000);
        return r;
    }();
    FakeEntry entry{record};
    std::unique_ptr<frmOdovexSetup> dialog;
    int beeps = 0;
};

TEST_F(SetupDialog, LoadStepAndUnitHandlers) {
    for (const auto& [units, english, metric, captions] :
         {std::tuple{"English", true, false, "(Inches):(Inches):"},
          std::tuple{"Metric", false, true, "(Centimeters):(Centimeters):"},
          std::tuple{"english", false, false, ""}, std::tuple{"", false, false, ""}}) {
        Load(units);
        EXPECT_EQ(Child<QRadioButton>("optEnglish")->isChecked(), english) << units;
        EXPECT_EQ(Child<QRadioButton>("optMetric")->isChecked(), metric) << units;
        EXPECT_EQ(Captions(), captions);
        EXPECT_EQ(record.Units, units);
    }
    EXPECT_EQ(entry.path, "/home/u/My Odovex/odovex");
    EXPECT_EQ(Child("txtXDim")->text() + ' ' + Child("txtYDim")->text(), "14 10.5");
    EXPECT_TRUE(entry.calls.empty());
}

// A change of unit converts the boxes' numbers and the record's dimensions (14 x 10.5 in the
// unit it had) to the other unit, to four decimals, so the screen keeps its size; text that is
// no number stays. Switching back restores what was there.
TEST_F(SetupDialog, AChangeOfUnitConvertsTheDimensions) {
    for (const auto& [from, to, x, y, convertedX, convertedY, recordX, recordY] :
         {std::tuple{"English", "optMetric", "17", "10.5", "43.18", "26.67", 355600, 266700},
          std::tuple{"Metric", "optEnglish", "53.1", "29.21", "20.9055", "11.5", 55118, 41339},
          std::tuple{"English", "optMetric", "InValid", "Please re-enter.", "InValid",
                     "Please re-enter.", 355600, 266700},
          std::tuple{"Metric", "optEnglish", "0", "", "0", "", 55118, 41339}}) {
        record.ScreenDimX = Currency::fromRaw(140000);
        record.ScreenDimY = Currency::fromRaw(105000);
        Load(from);
        Child("txtXDim")->setText(QString::fromLatin1(x));
        Child("txtYDim")->setText(QString::fromLatin1(y));
        Child<QRadioButton>(to)->click();
        EXPECT_EQ(Child("txtXDim")->text() + '|' + Child("txtYDim")->text(),
                  QString::fromLatin1(convertedX) + '|' + convertedY);
        EXPECT_EQ(record.ScreenDimX.raw(), recordX) << x;
        EXPECT_EQ(record.ScreenDimY.raw(), recordY) << x;
        Child<QRadioButton>(from == std::string("English") ? "optEnglish" : "optMetric")->click();
        EXPECT_EQ(Child("txtXDim")->text() + '|' + Child("txtYDim")->text(),
                  QString::fromLatin1(x) + '|' + y);
        EXPECT_EQ(record.Units, from);
    }
}

TEST(SizeSuggestion, OnlyWhatIsPlausibleForThePixels) {
    // Pixels, millimetres, and the width offered in hundredths of an inch (0: none).
    for (const auto& [px, py, mx, my, width] :
         std::vector<std::array<int, 5>>{{1920, 1080, 527, 296, 2075},
                                         {1080, 1920, 527, 296, 1165}, // turned a quarter
                                         {1280, 1024, 100, 80, 394},
                                         {1200, 900, 0, 0, 0},
                                         {1920, 1080, 10, 10, 0},
                                         {1920, 1080, 5000, 2810, 0},  // beyond 120 inches
                                         {1920, 1200, 527, 296, 0}}) { // shape 11% off
        const auto size = PlausibleMonitorSize(px, py, mx, my);
        EXPECT_EQ(size ? std::lround(size->width * 100) : 0, width) << px << " " << mx;
    }
}

TEST_F(SetupDialog, AFirstStartOffersTheMonitorsSizeInTheUnitChosenUntilTheUserTypes) {
    record.ScreenDimX = record.ScreenDimY = Currency();
    Load("").SuggestSize({1920 * 15.0, 1080 * 15.0, 15, 15, 527, 296});
    dialog->show();
    const auto boxes = [&] {
        return Child("txtXDim")->text() + ' ' + Child("txtYDim")->text();
    };
    EXPECT_EQ(boxes(), "0 0"); // no unit yet
    Child<QRadioButton>("optEnglish")->click();
    EXPECT_EQ(boxes(), "20.75 11.65");
    Child<QPushButton>("cmdOk")->click(); // confirmed: converted, no longer offered
    Child<QRadioButton>("optMetric")->click();
    EXPECT_EQ(boxes(), "52.705 29.591");
    record.ScreenDimX = record.ScreenDimY = Currency();
    Load("Metric").SuggestSize({1920 * 15.0, 1080 * 15.0, 15, 15, 527, 296});
    EXPECT_EQ(boxes(), "52.70 29.60");
    Child<QRadioButton>("optEnglish")->click();
    Child<QRadioButton>("optMetric")->click();
    EXPECT_EQ(boxes(), "52.70 29.60");
    Child("txtXDim")->setFocus();
    QTest::keyClick(Child("txtXDim"), Qt::Key_End);
    QTest::keyClicks(Child("txtXDim"), QStringLiteral("1"));
    Child<QRadioButton>("optEnglish")->click();
    EXPECT_EQ(boxes(), "20.7484 11.6535");
}

TEST_F(SetupDialog, KeyFilterPassesFullStopAndDigitsAndBeepsOnceForEveryOtherCode) {
    Load();
    for (const char* name : {"txtXDim", "txtYDim"}) {
        for (int code = 0; code <= 255; ++code) {
            Child(name)->setText(QStringLiteral("7"));
            beeps = 0;
            const QString typed(QChar(static_cast<char16_t>(code)));
            QTest::sendKeyEvent(QTest::Press, Child(name), Qt::Key_unknown, typed, {});
            const bool passes = code == '.' || (code >= '0' && code <= '9');
            EXPECT_EQ(Child(name)->text(), passes ? u'7' + typed : QStringLiteral("7")) << code;
            EXPECT_EQ(beeps, passes ? 0 : 1) << name << " " << code;
        }
    }
}

TEST_F(SetupDialog, KeyFilterHoldsAgainstShortcutsAndLeavesEditingKeys) {
    Load().show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    QLineEdit* box = Child("txtXDim");
    box->setFocus();
    box->clear();
    QTest::keyClicks(box, QStringLiteral("12.5"));
    QApplication::clipboard()->setText(QStringLiteral("99"));
    int shortcuts = 0;
    QShortcut paste(QKeySequence::Paste, dialog.get(), [&] { ++shortcuts; });
    QShortcut quit(QKeySequence::Quit, dialog.get(), [&] { ++shortcuts; });
    QShortcut cancel(QKeySequence::Cancel, dialog.get(), [&] { ++shortcuts; });
    for (const char* keys :
         {"Ctrl+V", "Ctrl+A", "Ctrl+Q", "Ctrl+Z", "Backspace", "Return", "Esc", "-", ",", "/"}) {
        const QKeyCombination key = QKeySequence(QString::fromLatin1(keys))[0];
        QTest::keyClick(box, key.key(), key.keyboardModifiers());
    }
    EXPECT_EQ(box->text(), "12.5");
    EXPECT_TRUE(box->selectedText().isEmpty());
    EXPECT_EQ(beeps, 10);
    EXPECT_EQ(shortcuts, 0);

    // Keys that deliver no character edit (X11 attaches DEL to Delete). Access keys are left to
    // the end-to-end test.
    const auto del = [&] {
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_Delete, "\x7f", {});
    };
    QTest::keyClick(box, Qt::Key_Home);
    del();
    QTest::keyClick(box, Qt::Key_End);
    QTest::keyClick(box, Qt::Key_Left);
    del();
    QTest::keyClick(box, '0');
    EXPECT_EQ(box->text(), "2.0");
    EXPECT_EQ(beeps, 10);
}

TEST_F(SetupDialog, OkStoresWhatConvertsElseShowsTheReplacementTexts) {
    Load();
    QSignalSpy shown(dialog.get(), &frmOdovexSetup::showMainWindow);
    const auto ok = [&](const char* x, const char* y) {
        dialog->show();
        Child("txtXDim")->setText(QString::fromUtf8(x));
        Child("txtYDim")->setText(QString::fromUtf8(y));
        Child<QPushButton>("cmdOk")->click();
        const bool failed =
            Child("txtXDim")->text() == "InValid" && Child("txtYDim")->text() == "Please re-enter.";
        EXPECT_EQ(dialog->isVisible(), failed) << x << " " << y;
        return std::tuple{record.ScreenDimX.raw(), record.ScreenDimY.raw(), failed};
    };
    EXPECT_EQ(ok("12.5", "9"), std::tuple(125000L, 90000L, false));
    EXPECT_EQ(ok("0", "0"), std::tuple(0L, 0L, false));
    EXPECT_EQ(ok(" 15.00005 ", ".5"), std::tuple(150000L, 5000L, false));
    EXPECT_EQ(shown.count(), 3);
    EXPECT_EQ(ok("", "9"), std::tuple(150000L, 5000L, true));
    EXPECT_EQ(ok("13", "1.2.3"), std::tuple(130000L, 5000L, true)); // the width is kept
    EXPECT_EQ(ok("InValid", "2"), std::tuple(130000L, 5000L, true));
    for (const char* bad : {".", "1..", "12,5", "922337203685477.5808", "-"}) {
        EXPECT_EQ(ok(bad, "8"), std::tuple(130000L, 5000L, true)) << bad;
    }
    EXPECT_EQ(shown.count(), 3);
    EXPECT_EQ(beeps, 0);

    // A decimal-comma locale takes its own separator (pasted) and the typed full stop.
    const QLocale locale;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(ok("12,5", "9.25"), std::tuple(125000L, 92500L, false));
    EXPECT_EQ(ok("1.234,5", "9"), std::tuple(125000L, 92500L, true));
    QLocale::setDefault(locale);
}

TEST_F(SetupDialog, CheckBoxMakesAndRemovesTheEntryOnClicksAndChangesOnly) {
    Load().show();
    QTest::mouseClick(dialog->chkAutoStart, Qt::LeftButton);
    dialog->chkAutoStart->setChecked(true); // the value it already has: no click
    dialog->chkAutoStart->setCheckState(Qt::PartiallyChecked);
    EXPECT_EQ(record.AutoStartOn, kTrue);
    dialog->chkAutoStart->setChecked(false);
    EXPECT_EQ(entry.calls, (std::vector<std::string>{"create on", "remove off"}));
}

TEST_F(SetupDialog, ClosingByTheFrameHidesItAndBringsBackTheMainWindow) {
    Load().show();
    QSignalSpy shown(dialog.get(), &frmOdovexSetup::showMainWindow);
    Child("txtXDim")->setText(QStringLiteral("21"));
    QCloseEvent close; // reaches the window as the window manager's close command does
    QCoreApplication::sendEvent(dialog->windowHandle(), &close);
    EXPECT_TRUE(dialog->isHidden());
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(record.ScreenDimX.raw(), 140000);
    EXPECT_EQ(Child("txtXDim")->text(), "21"); // kept for the next opening
    dialog->show();
    dialog->close(); // by code: hidden only
    EXPECT_TRUE(dialog->isHidden());
    EXPECT_EQ(shown.count(), 1);
}

} // namespace
