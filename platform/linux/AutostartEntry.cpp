#include "platform/AutostartEntry.h"

#include <memory>

namespace {

// Placeholder until the freedesktop autostart entry is written.
class NoAutostartEntry : public AutostartEntry {
public:
    void create() override {}
    void remove() override {}
};

} // namespace

std::unique_ptr<AutostartEntry> CreateAutostartEntry() {
    return std::make_unique<NoAutostartEntry>();
}
