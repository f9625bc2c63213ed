#include "platform/InstanceLock.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

// Restores XDG_RUNTIME_DIR when the test ends.
struct RuntimeDir {
    QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    bool wasSet = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    explicit RuntimeDir(const QByteArray& value) { qputenv("XDG_RUNTIME_DIR", value); }
    ~RuntimeDir() {
        if (wasSet) {
            qputenv("XDG_RUNTIME_DIR", saved);
        } else {
            qunsetenv("XDG_RUNTIME_DIR");
        }
    }
};

TEST(InstanceLock, OneHolderAtATimeAndReleasedWithItsHolder) {
    QTemporaryDir dir;
    RuntimeDir runtime(dir.path().toLocal8Bit());
    auto first = std::make_unique<InstanceLock>();
    EXPECT_EQ(first->state(), InstanceLock::State::Held);
    EXPECT_EQ(first->path(), dir.filePath("odovex.lock"));
    {
        InstanceLock second;
        EXPECT_EQ(second.state(), InstanceLock::State::Busy);
    }
    first.reset();
    InstanceLock third;
    EXPECT_EQ(third.state(), InstanceLock::State::Held);
}

TEST(InstanceLock, FallsBackToTmpWithoutAUsableRuntimeDirectory) {
    RuntimeDir runtime("/nonexistent/odovex");
    InstanceLock lock;
    EXPECT_EQ(lock.path(), QStringLiteral("/tmp/odovex-%1.lock").arg(getuid()));
    // Busy when an Odovex of this user runs on the machine; never unusable.
    EXPECT_NE(lock.state(), InstanceLock::State::Unavailable) << lock.error().toStdString();
}

} // namespace
