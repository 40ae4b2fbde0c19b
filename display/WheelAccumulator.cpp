#include "display/WheelAccumulator.h"

#include <cmath>

namespace orvenna {

namespace {

// Turning back drops what was gathered in the other direction.
void addTurn(double& pending, double amount) {
    if ((amount > 0 && pending < 0) || (amount < 0 && pending > 0)) pending = 0;
    pending += amount;
}

}  // namespace

int WheelAccumulator::notches(int delta) {
    addTurn(pending_, static_cast<double>(delta) / kWheelNotch);
    // A small tolerance so that 120 parts of 1 always make a whole notch.
    const double whole = std::trunc(pending_ + (pending_ > 0 ? 1e-9 : -1e-9));
    pending_ -= whole;
    return static_cast<int>(whole);
}

int WheelAccumulator::pixels(int delta, double pixels_per_notch) {
    if (!(pixels_per_notch > 0) || !std::isfinite(pixels_per_notch)) return 0;
    addTurn(pending_, static_cast<double>(delta) / kWheelNotch * pixels_per_notch);
    const double whole = std::trunc(pending_ + (pending_ > 0 ? 1e-9 : -1e-9));
    pending_ -= whole;
    return static_cast<int>(whole);
}

}  // namespace orvenna
