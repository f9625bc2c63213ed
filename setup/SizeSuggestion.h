#pragma once

#include <cmath>
#include <optional>
#include <utility>

// A monitor's picture in inches, from the millimetres the monitor reports, when they are
// plausible for the pixels it shows: 5 to 120 inches across, and the shape of the millimetres
// within 10% of the shape of the pixels. Monitors report nonsense often enough (0, a projector's
// 1 x 1 cm, a size meant for another mode) that anything else is ignored. A panel turned a
// quarter reports its unturned size: the millimetres follow the pixels' shape.
struct SizeInches {
    double width = 0;
    double height = 0;
};

inline std::optional<SizeInches> PlausibleMonitorSize(int widthPx, int heightPx, int widthMm,
                                                      int heightMm) {
    constexpr double kMmPerInch = 25.4;
    constexpr double kMinDiagonal = 5;
    constexpr double kMaxDiagonal = 120;
    constexpr double kShapeTolerance = 0.10;
    if (widthPx <= 0 || heightPx <= 0 || widthMm <= 0 || heightMm <= 0) {
        return std::nullopt;
    }
    if ((widthPx > heightPx) != (widthMm > heightMm) && widthPx != heightPx) {
        std::swap(widthMm, heightMm);
    }
    const SizeInches size{widthMm / kMmPerInch, heightMm / kMmPerInch};
    const double diagonal = std::hypot(size.width, size.height);
    const double shape = (size.width / size.height) / (double(widthPx) / heightPx);
    if (diagonal < kMinDiagonal || diagonal > kMaxDiagonal ||
        std::abs(shape - 1) > kShapeTolerance) {
        return std::nullopt;
    }
    return size;
}
