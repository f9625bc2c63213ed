#include "platform/InstanceLock.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

TEST(InstanceLock, OneHolderAtATimeReleasedWithItAndTmpWithoutARuntimeDirectory) {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    QTemporaryDir dir;
    qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
    auto first = std::make_unique<InstanceLock>();
    EXPECT_EQ(first->state(), InstanceLock::State::Held);
    EXPECT_EQ(first->path(), dir.filePath("odovex.lock"));
    EXPECT_EQ(InstanceLock().state(), InstanceLock::State::Busy);
    first.reset();
    EXPECT_EQ(InstanceLock().state(), InstanceLock::State::Held);

    qputenv("XDG_RUNTIME_DIR", "/nonexistent/odovex");
    const InstanceLock fallback;
    EXPECT_EQ(fallback.path(), QStringLiteral("/tmp/odovex-%1.lock").arg(getuid()));
    // Busy when an Odovex of this user runs on the machine; never unusable.
    EXPECT_NE(fallback.state(), InstanceLock::State::Unavailable);
    qputenv("XDG_RUNTIME_DIR", runtime);
}

} // namespace
