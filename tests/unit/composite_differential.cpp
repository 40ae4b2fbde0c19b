// The fast renderer, on one thread and in bands on several, must give byte-identical pictures to the
// reference tree walk: on the preset texts, on texts built to defeat the result cache (scratch letters read
// before assignment, band letters assigned, repeat, IF), and on random texts, at magnifying, 1:1 and
// reducing steps.
#include <gtest/gtest.h>

#include <random>

#include "display/CompositeCache.h"
#include "display/ThreadedComposite.h"
#include "tests/unit/composite_support.h"
#include "tests/unit/composite_texts.h"

using namespace orvenna;
using namespace composite_test;

namespace {

struct Views {
    int w, h, hpos, vpos, step;
};
// Magnifying (carry-over across the F screen lines), 1:1, reducing, and views reaching past the image; the
// tall ones are drawn in several bands on several threads.
const Views kViews[] = {{50, 40, 3, 2, 3},    {64, 48, 40, 30, 5}, {37, 29, 0, 0, 5},
                        {40, 30, 60, 50, 6},  {33, 25, 70, 60, 7}, {20, 20, 0, 0, 1},
                        {50, 157, 45, 35, 4}, {70, 90, 45, 35, 5}, {60, 61, 45, 40, 6}};

class Differential : public ::testing::Test {
protected:
    std::filesystem::path dir = make_temp_dir();
    std::unique_ptr<Scene> scene;
    ThreadedCompositeRenderer threaded{3};
    void SetUp() override {
        // Values that repeat (so that caching matters) with a few distinct extremes.
        scene = make_scene(dir, 90, 70, 3, [](int b, int x, int y) {
            const int v = (x / 3 * 37 + y / 2 * 11 + b * 71) % 256;
            return uint8_t((x + y) % 17 == 0 ? (b == 0 ? 0 : 255) : v);
        });
        remos_set_range(&scene->file.bands[2], 220, 30);
    }
    void TearDown() override {
        scene.reset();
        std::filesystem::remove_all(dir);
    }

    // Draws every view with the reference and with a renderer shared across the calls (so that state kept
    // between redraws is exercised too); returns the number of views that differ.
    int compare(const std::string& r, const std::string& g, const std::string& b, CompositeRenderer& renderer,
                CompositeStats* last = nullptr) {
        Texts texts(r, g, b);
        int bad = 0;
        for (const Views& v : kViews) {
            const ViewGeometry geo = compute_view_geometry(v.w, v.h, v.hpos, v.vpos, v.step, 90, 70);
            Picture want(v.w, v.h), got(v.w, v.h);
            DrawCompositeReference(scene->rows.data(), 3, texts.exprs(), geo, want.target());
            renderer.draw(scene->rows.data(), 3, texts.exprs(), geo, got.target());
            Picture banded(v.w, v.h);
            RedrawControl control;
            threaded.draw(scene->rows.data(), 3, texts.exprs(), geo, banded.target(), &control);
            const bool complete = control.complete && control.lines_done == v.h;
            if (!want.same_pixels(got) || !want.same_pixels(banded) || !complete) {
                ++bad;
                ADD_FAILURE() << "differs at step " << v.step << " (threads: " << !want.same_pixels(banded)
                              << ", complete: " << complete << ") for\n R: " << r << "\n G: " << g
                              << "\n B: " << b;
            }
            if (last) *last = renderer.last_stats();
        }
        return bad;
    }
};

}  // namespace

TEST_F(Differential, PresetTexts) {
    CompositeRenderer renderer;
    CompositeStats stats;
    const auto ndvi = composite_texts::ndvi('a', 'b');
    compare(ndvi.red, ndvi.green, ndvi.blue, renderer, &stats);
    EXPECT_TRUE(stats.cached);
    EXPECT_TRUE(stats.pixel_independent);

    for (const char* src : {"a", "a+b", "c * 2 - 40", "(a + b + c) / 3"}) {
        const auto t = composite_texts::thermography(src);
        compare(t.red, t.green, t.blue, renderer, &stats);
        EXPECT_TRUE(stats.cached) << src;
        EXPECT_FALSE(stats.pixel_independent) << src;  // x, y, z keep their value where no branch applies
    }
    const auto ls = composite_texts::landsat('c', 17.04f, 0.0f, 0, 45);
    compare(ls.red, ls.green, ls.blue, renderer, &stats);
    EXPECT_TRUE(stats.cached);
    const auto ls2 = composite_texts::landsat('a', 12.65f, -1.2f, 10, 35);
    compare(ls2.red, ls2.green, ls2.blue, renderer);

    compare("a", "b", "c", renderer, &stats);
    EXPECT_TRUE(stats.per_channel);
}

TEST_F(Differential, TextsThatDefeatTheCache) {
    CompositeRenderer renderer;
    CompositeStats stats;
    const char* texts[][3] = {
        {"x = x + 1", "x", "x * 3"},                     // a counter: every pixel a new state
        {"y", "y = a", "y - b"},                         // scratch read before assignment
        {"(a > 100)if( x = a ), x", "x", "b"},           // conditional assignment, carried where not taken
        {"a = 255 - a", "a", "b = a + c, b"},            // band letters assigned for later channels
        {"(a > b)if( c = 0 ), c", "c", "d = d + c, d"},  // conditional band assignment, scratch d
        {"(a / 64) @ ( x = x + 1 ), x", "x = 0", "x"},   // repeat driven by a band value
        {"3 @ ( q = q * 2 + a ), q", "(q > 1000)if( q = 0 ), q / 8", "q"},
        {"(0)if( x = 5 ), x", "(2)if( x = a ), x", "x"},
        {"z", "z = (a < 128)", "z * 255"},
        {"ln(a - 10)", "1 / (a - b)", "ROOT (b - 100)"},  // not-a-number, infinities
        {"a POW 2 / 255", "SIN (RAD a) * 255", "(a, b, c)"},
        {"", "b", "(a"},                               // uncompilable texts evaluate as 0
        {"x = a + b + c, x / 3", "x", "a * b / 255"},  // three band letters, no state: hash
        {"e = e + a + b + c, e / 8", "e", "e"},        // three band letters with state
        {"w = a, v = w + b", "v / 2", "w + c"},
        {"(a > 10)if( x = b ), (a > 200)if( y = c ), x", "y", "x + y"},
        {"x", "x = x + a, 0", "x"},         // one text twice, a letter assigned in between
        {"#a - #b", "#b - #a", "#a - #b"},  // stored values, one text twice
    };
    for (const auto& t : texts)
        compare(t[0], t[1], t[2], renderer, &stats);
    // The counter cannot be cached for long: the renderer falls back to full evaluation and stays exact.
    compare("x = x + 1", "x", "0", renderer, &stats);
    EXPECT_FALSE(stats.pixel_independent);
}

TEST_F(Differential, CacheOffGivesTheSamePictures) {
    CompositeRenderer renderer;
    renderer.set_cache_enabled(false);
    const auto t = composite_texts::thermography("a");
    compare(t.red, t.green, t.blue, renderer);
    compare("x = x + 1", "x", "(a > 100)if( y = a ), y", renderer);
}

namespace {

// Random texts of the expression language, biased towards what matters to the cache: letters of bands and
// scratch letters, assignments, IF, repeat and sequences.
class TextGenerator {
public:
    explicit TextGenerator(uint32_t seed) : rng_(seed) {}

    std::string expression(int depth) {
        const int pick = depth <= 0 ? uniform(0, 2) : uniform(0, 13);
        switch (pick) {
            case 0:
                return letter();
            case 1:
                return std::to_string(uniform(0, 300));
            case 2:
                return letter();
            case 3:
                return "( " + expression(depth - 1) + " " + op() + " " + expression(depth - 1) + " )";
            case 4:
                return "( " + scratch_or_band() + " = " + expression(depth - 1) + " )";
            case 5:
                return "( " + expression(depth - 1) + " )if( " + scratch_or_band() + " = " +
                       expression(depth - 1) + " )";
            case 6:
                return "( " + expression(depth - 1) + " , " + expression(depth - 1) + " )";
            case 7:
                return "( " + std::to_string(uniform(0, 3)) + " @ ( " + expression(depth - 1) + " ) )";
            case 8:
                return "( ( " + letter() + " / 100 ) @ ( " + scratch() + " = " + scratch() + " + 1 ) )";
            case 9:
                return func() + "( " + expression(depth - 1) + " )";
            case 10:
                return "( " + expression(depth - 1) + " )if " + letter();
            case 11:
                return "( " + scratch() + " = " + scratch() + " " + op() + " " + expression(depth - 1) + " )";
            case 12:
                return "( " + expression(depth - 1) + " " + cmp() + " " + expression(depth - 1) + " )";
            default:
                return "( " + expression(depth - 1) + " ) * 255";
        }
    }

private:
    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    std::string letter() { return std::string(1, "abcabcxyzd"[uniform(0, 9)]); }
    std::string scratch() { return std::string(1, "xyzd"[uniform(0, 3)]); }
    std::string scratch_or_band() { return std::string(1, "xyzdab"[uniform(0, 5)]); }
    std::string op() { return std::string(1, "+-*/"[uniform(0, 3)]); }
    std::string cmp() {
        static const char* c[] = {"<", ">", "<=", ">="};
        return c[uniform(0, 3)];
    }
    std::string func() {
        static const char* f[] = {"ROOT", "LN", "SIN", "ATAN", "DEG"};
        return f[uniform(0, 4)];
    }
    std::mt19937 rng_;
};

}  // namespace

TEST_F(Differential, RandomTexts) {
    CompositeRenderer renderer;
    TextGenerator gen(20240611);
    int failures = 0;
    for (int n = 0; n < 150 && failures < 3; ++n) {
        const std::string r = gen.expression(3), g = gen.expression(3), b = gen.expression(3);
        failures += compare(r, g, b, renderer);
    }
}

TEST(PixelPlan, ObservedLettersFromMasks) {
    const uint32_t A = 1, B = 2, C = 4, X = 1u << 23, Y = 1u << 24;
    struct Case {
        const char* name;
        ProgramMasks m[3];
        int rows;
        uint32_t key, state;
        bool separable;
    };
    const Case cases[] = {
        {"a, b, c", {{A, 0, 0, A}, {B, 0, 0, B}, {C, 0, 0, C}}, 3, A | B | C, 0, true},
        {"scratch read first", {{X, 0, 0, X}, {0, 0, 0, 0}, {0, 0, 0, 0}}, 3, 0, X, false},
        {"red always assigns x, green reads it",
         {{A | X, X, X, A}, {X, 0, 0, X}, {0, 0, 0, 0}},
         3,
         A,
         0,
         false},
        {"red assigns x only sometimes", {{A | X, X, 0, A}, {X, 0, 0, X}, {0, 0, 0, 0}}, 3, A, X, false},
        {"band letter assigned by red", {{A, A, A, A}, {A, 0, 0, A}, {B, 0, 0, B}}, 3, A | B, 0, false},
        {"letter beyond the rows is scratch", {{C, 0, 0, C}, {0, 0, 0, 0}, {0, 0, 0, 0}}, 2, 0, C, false},
        {"x written and read within green",
         {{A, 0, 0, A}, {X | B, X, X, B}, {Y, Y, Y, 0}},
         3,
         A | B,
         0,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PixelPlan p = PlanPixel(c.m, c.rows);
        EXPECT_EQ(p.key_letters, c.key);
        EXPECT_EQ(p.state_letters, c.state);
        EXPECT_EQ(p.separable, c.separable);
    }
}
