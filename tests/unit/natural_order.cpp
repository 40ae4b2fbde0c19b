// Natural order of file names: numbers by value, letters without regard to case, a stable order for ties.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "scene/natural_order.h"

namespace {

TEST(NaturalOrder, SortsAsPeopleNumberTheirFiles) {
    const std::vector<std::vector<std::string>> sorted = {
        {"LC08_B1.TIF", "LC08_B2.TIF", "LC08_B3.TIF", "LC08_B10.TIF", "LC08_B11.TIF"},
        {"a.bil", "B.bil", "c.bil"},  // case ignored, as before
        {"img9", "img09", "img009", "img10"},
        {"x", "x1", "x1a", "x2"},
        {"scene_2001_B4", "scene_2001_b5", "scene_2017_B4"},
        {"B", "b"},                          // equal without regard to case: byte order
        {"1.jpg", "01.jpg", "1_extra.jpg"},  // leading zeros only break a tie
        {"99999999999999999999998", "99999999999999999999999", "100000000000000000000000"},
    };
    for (const auto& expected : sorted) {
        std::vector<std::string> shuffled(expected.rbegin(), expected.rend());
        std::stable_sort(shuffled.begin(), shuffled.end(), natural_name_less);
        EXPECT_EQ(shuffled, expected);
        // A strict weak order: nothing is less than itself, and the order never reverses.
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_FALSE(natural_name_less(expected[i], expected[i]));
            for (size_t j = i + 1; j < expected.size(); ++j)
                EXPECT_FALSE(natural_name_less(expected[j], expected[i]))
                    << expected[j] << " < " << expected[i];
        }
    }
}

}  // namespace
