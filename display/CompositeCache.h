// Fast exact evaluation for the composite redraw.
//
// During a redraw every band letter holds a whole number 0..255, so the three channel programs of one pixel
// are a function of (the band values they can observe, the scratch letters they can observe from earlier
// pixels). When the letter masks of the compiled programs prove which letters a pixel can observe at its
// start, whole-pixel results are remembered per combination of those inputs and reused:
//  - the band letters observed form the key (1-2 letters: direct tables; up to 8: a hash table);
//  - the scratch letters observed (read before any certain assignment within the pixel) form a state that is
//    interned; each cached result also records the state the pixel leaves behind, so scratch carry-over from
//    pixel to pixel (and from one screen line of a magnified image line to the next) is reproduced exactly;
//  - when no channel depends on another channel or on scratch state, each channel gets its own table.
// When nothing can be proven, or the states grow too many, every pixel is evaluated in full and in order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "display/Composite.h"
#include "display/CompositeRows.h"
#include "display/StoredValueRuns.h"

class EcalcProgram;

namespace orvenna {

// What the letter masks of one compiled program say (bit k = letter 'a' + k).
struct ProgramMasks {
    uint32_t read = 0;               // letters the program may read
    uint32_t written = 0;            // letters it may assign
    uint32_t always_written = 0;     // letters it assigns on every path
    uint32_t read_before_write = 0;  // letters it may read before assigning them on that path
};

// What one pixel's three evaluations (red, green, blue, in order) depend on.
struct PixelPlan {
    uint32_t band_letters = 0;    // letters bound to band rows (reloaded for every pixel)
    uint32_t loaded_letters = 0;  // band letters that any program reads: loaded for a full evaluation
    uint32_t key_letters = 0;     // band letters whose loaded value can reach the result
    uint32_t state_letters = 0;   // scratch letters whose value from earlier pixels can reach the result
    bool separable = false;       // each channel depends only on its own key letters
    uint32_t channel_key_letters[3] = {0, 0, 0};  // with `separable`: the band letters each channel observes
};

// Derives the plan from the masks of the red, green and blue programs and the number of band rows.
PixelPlan PlanPixel(const ProgramMasks masks[3], int row_count);

class CompositeCache {
public:
    CompositeCache();
    ~CompositeCache();

    void draw(const CompositeBandRow* rows, int row_count, const CompositeExpressions& exprs,
              const ViewGeometry& geometry, const CompositeTarget& target, bool use_cache,
              CompositeStats* stats, RedrawControl* control = nullptr, bool continuing = false);

private:
    enum class Mode { Direct, PixelTable, PixelHash, PerChannel };

    struct Entry {  // one cached pixel: its bytes and the state it leaves
        uint32_t next = 0;
        uint8_t bgr[3] = {0, 0, 0};
        uint8_t valid = 0;
    };
    struct HashSlot {
        uint64_t key = 0;
        uint32_t state = 0;
        uint32_t generation = 0;  // slot is valid when equal to hash_generation_
        uint32_t next = 0;
        uint8_t bgr[3] = {0, 0, 0};
    };

    void begin(int row_count, const CompositeExpressions& exprs, bool use_cache,
               const std::atomic<bool>* stop);
    // Evaluates `count` pixels in order; vals[letter] is that letter's run of band values (null if not
    // loaded).
    void eval_run(const uint8_t* const* vals, int count, uint8_t* out_bgr);
    // Per-channel tables: the entry of channel c for its one letter's value (evaluated when first met), and
    // the run of channels that read one letter or none in one pass (false: a channel reads two letters).
    uint16_t channel_entry(int c, uint8_t value);
    // Pixel table without state: one flat lookup per pixel.
    void eval_stateless_table(const uint8_t* const* vals, int count, uint8_t* out_bgr);
    bool eval_single_letter_channels(const uint8_t* const* vals, int count, uint8_t* out_bgr);
    void eval_direct(const uint8_t* const* vals, int from, int count, uint8_t* out_bgr);
    // eval_direct for programs that run in bulk: each distinct channel over the whole run at once.
    void eval_bulk(const uint8_t* const* vals, int from, int count, uint8_t* out_bgr);
    void evaluate_full(uint8_t* bgr);
    bool evaluate_miss(uint64_t key, uint8_t* bgr, uint32_t* next);
    bool table_miss(uint64_t key, uint8_t* bgr);
    bool hash_step(uint64_t key, uint8_t* bgr);
    uint32_t intern_state();  // interns the state letters' current cell values
    void load_state(uint32_t state);
    void fall_back();

    std::unique_ptr<EcalcProgram> programs_[3];
    int same_as_[3] = {-1, -1, -1};  // an earlier channel whose result a channel repeats, or -1
    bool bulk_ = false;              // Direct, and every program runs in bulk
    uint32_t read_letters_ = 0;      // letters any program reads
    std::vector<double> letter_columns_[26], results_[3];  // eval_bulk's runs of letters and results
    PixelPlan plan_;
    Mode mode_ = Mode::Direct;
    CompositeStats* stats_ = nullptr;
    long long misses_ = 0;
    long long lookups_ = 0;

    double values_[26] = {};
    double* cells_[26] = {};
    uint32_t stored_letters_ = 0;  // letters of band rows read as stored values ("#a")
    double stored_[26] = {};       // their values at the pixel evaluated
    int key_letter_list_[26] = {};
    int key_letter_count_ = 0;
    int state_letter_list_[26] = {};
    int state_letter_count_ = 0;
    int loaded_letter_list_[26] = {};
    int loaded_letter_count_ = 0;

    // Interned states: state_count_ vectors of state_letter_count_ doubles.
    std::vector<double> state_values_;
    std::unordered_map<std::string, uint32_t> state_ids_;
    uint32_t state_count_ = 0;
    uint32_t state_ = 0;  // the state the next pixel starts from
    uint32_t max_states_ = 0;

    // PixelTable: directory_[state * pages_per_state_ + high key byte] is the page (0: none) in pool_ whose
    // entry [low key byte] caches that pixel.
    uint32_t pages_per_state_ = 1;
    std::vector<uint32_t> directory_;
    std::vector<Entry> pool_;

    // PixelHash: open addressing over (key, state).
    std::vector<HashSlot> hash_slots_;
    uint32_t hash_generation_ = 0;
    size_t hash_used_ = 0;

    // PerChannel: per channel a table of key_space entries, 0x100 | byte when filled.
    std::vector<uint16_t> channel_tables_[3];
    std::vector<uint8_t> zeros_;
    std::vector<uint32_t> flat_table_;  // stateless pixel table: 0x1000000 | red << 16 | green << 8 | blue //
                                        // the values of a channel that reads no letter
    int channel_letters_[3][2] = {{0, 0}, {0, 0}, {0, 0}};
    int channel_letter_count_[3] = {0, 0, 0};

    // Per-redraw buffers, kept for the next redraw.
    RowBuffers bufs_;
    std::vector<uint8_t> gathered_[26];      // reducing: the sampled, stretched values of a line per letter
    uint8_t luts_[26][256] = {};             // reducing: remos_stretch_value of each byte value per letter
    std::vector<WideBandMapping> mappings_;  // per row: the display mapping of wide bands
    std::vector<uint8_t> out_;               // one line of results, blue, green, red
    std::vector<uint8_t> missing_;           // one line's marks of pixels without data
    StoredValueReader stored_reader_;
    StoredRuns stored_runs_;  // one line's stored values per letter read as such
};

}  // namespace orvenna
