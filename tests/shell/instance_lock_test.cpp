#include "platform/InstanceLock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

TEST(InstanceLock, OneHolderPerUserAndPerStatisticsFileReleasedWithItAndTmpWithoutARuntimeDir) {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    QTemporaryDir dir;
    qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
    auto first = std::make_unique<InstanceLock>();
    EXPECT_EQ(first->state(), InstanceLock::State::Held);
    EXPECT_EQ(first->path(), dir.filePath("odovex.lock"));
    EXPECT_EQ(InstanceLock().state(), InstanceLock::State::Busy);
    first.reset();
    EXPECT_EQ(InstanceLock().state(), InstanceLock::State::Held);

    // Per file, by any of its names; a missing file is not locked and gets no lock file.
    QDir::setCurrent(dir.path());
    QFile(dir.filePath("Odovex1.dat")).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(dir.filePath("Odovex1.dat"), dir.filePath("other.dat")));
    const InstanceLock file(QStringLiteral("Odovex1.dat"));
    EXPECT_EQ(file.state(), InstanceLock::State::Held);
    EXPECT_EQ(InstanceLock(QStringLiteral("other.dat")).state(), InstanceLock::State::Busy);
    EXPECT_TRUE(InstanceLock(QStringLiteral("missing.dat")).error().isEmpty());
    EXPECT_EQ(QDir().entryList(QDir::Files),
              (QStringList{"odovex.lock", "Odovex1.dat", "Odovex1.dat.lock", "other.dat"}));
    QDir::setCurrent(QDir::tempPath());

    qputenv("XDG_RUNTIME_DIR", "/nonexistent/odovex");
    const InstanceLock fallback;
    EXPECT_EQ(fallback.path(), QStringLiteral("/tmp/odovex-%1.lock").arg(getuid()));
    // Busy when an Odovex of this user runs on the machine; never unusable.
    EXPECT_NE(fallback.state(), InstanceLock::State::Unavailable);
    qputenv("XDG_RUNTIME_DIR", runtime);
}

} // namespace
