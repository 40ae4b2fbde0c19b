// The pseudo-colour ramp of the thermography and temperature presets, computed independently of the preset
// texts: black, blue, cyan, green, yellow, red at t = 0, step, 2 step ... 5 step, linear in between, black
// below and red above. Tests compare the evaluated texts and the drawn pictures against it.
#pragma once

#include <algorithm>
#include <array>

namespace presettest {

inline std::array<double, 3> Ramp(double t, double step) {
    static const double keys[6][3] = {{0, 0, 0},   {0, 0, 255},   {0, 255, 255},
                                      {0, 255, 0}, {255, 255, 0}, {255, 0, 0}};
    if (t <= 0) return {0, 0, 0};
    if (t >= 5 * step) return {255, 0, 0};
    const int k = std::min(static_cast<int>(t / step), 4);
    const double f = t / step - k;
    std::array<double, 3> c{};
    for (int i = 0; i < 3; ++i)
        c[i] = keys[k][i] + (keys[k + 1][i] - keys[k][i]) * f;
    return c;
}

}  // namespace presettest
