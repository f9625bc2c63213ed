#include <QApplication>
#include <gtest/gtest.h>
#include <memory>

namespace {

// One QApplication for the whole program, made before the first test and gone after the last.
class QtAppEnvironment : public ::testing::Environment {
public:
    void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "splash_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);

} // namespace
