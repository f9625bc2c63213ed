#include <QApplication>
#include <gtest/gtest.h>
#include <memory>

namespace {

// One QApplication for the whole test program, made before the first test and gone after the last,
// on a screen scaled 200 %.
struct QtAppEnvironment : ::testing::Environment {
    int argc = 1;
    char name[6] = "tests";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
    void SetUp() override {
        qputenv("QT_SCALE_FACTOR", "2");
        app = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app.reset(); }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);

} // namespace
