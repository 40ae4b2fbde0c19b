// Mouse wheels report their turns in eighths of a degree, 120 to a notch; high-resolution wheels and
// touchpads report small parts of a notch. These gather the parts into whole notches (one zoom step each)
// or into whole image pixels of scrolling; what is left waits for the next turn. A turn the other way drops
// what was left of the previous direction. Qt-free.
#pragma once

namespace orvenna {

inline constexpr int kWheelNotch = 120;

class WheelAccumulator {
public:
    // Adds `delta` and returns the whole notches gathered (with its sign).
    int notches(int delta);
    // Adds `delta` at `pixels_per_notch` and returns the whole pixels gathered (with its sign).
    int pixels(int delta, double pixels_per_notch);
    void reset() { pending_ = 0; }

private:
    double pending_ = 0;  // notches (or pixels) gathered but not yet given out
};

}  // namespace orvenna
