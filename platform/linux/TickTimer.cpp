#include "platform/TickTimer.h"

#include <QTimer>

namespace {

// Placeholder: Qt's precise timer, until the measured choice is made.
class QtTickTimer : public TickTimer {
public:
    void start(std::function<void()> onTick) override {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, std::move(onTick));
        timer_.start();
    }
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

} // namespace

std::unique_ptr<TickTimer> CreateTickTimer() {
    return std::make_unique<QtTickTimer>();
}
