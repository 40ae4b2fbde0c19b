#include "display/CompositeCache.h"

#include <algorithm>
#include <cstring>

#include "calc/ecalc.h"
#include "calc/ecalc_program.h"
#include "display/CompositeRows.h"
#include "scene/remos.h"

namespace orvenna {

namespace {

constexpr uint32_t kAllLetters = (1u << kLetterCount) - 1;
constexpr uint32_t kNoState = 0xFFFFFFFFu;
// PixelTable memory: pages of 256 entries (2 KiB) allocated where (state, high key byte) is first met, and a
// page directory per state; both bounded.
constexpr uint32_t kPageEntries = 256;
constexpr size_t kMaxPages = 1u << 14;
constexpr uint64_t kMaxDirectoryEntries = 1u << 22;
constexpr uint32_t kMaxStates = 1u << 16;
constexpr size_t kHashSlots = 1u << 20;
constexpr size_t kHashMaxUsed = kHashSlots / 10 * 6;
// Below this many lookups the miss rate is not judged; above it, a cache missing on more than half of the
// pixels costs more than it saves and is dropped.
constexpr long long kMissRateWindow = 1 << 16;

int letters_to_list(uint32_t mask, int* list) {
    int n = 0;
    for (int k = 0; k < kLetterCount; ++k) {
        if (mask & (1u << k)) list[n++] = k;
    }
    return n;
}

int popcount(uint32_t m) {
    return __builtin_popcount(m);
}

uint64_t hash_key(uint64_t key, uint32_t state) {
    uint64_t h = key * 0x9E3779B97F4A7C15ull ^ (static_cast<uint64_t>(state) + 1) * 0xC2B2AE3D27D4EB4Full;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    return h;
}

}  // namespace

PixelPlan PlanPixel(const ProgramMasks masks[3], int row_count) {
    PixelPlan plan;
    plan.band_letters =
        row_count >= kLetterCount ? kAllLetters : (row_count <= 0 ? 0u : (1u << row_count) - 1);

    // Letters whose value at the pixel's start can be observed: read before the program itself assigns them
    // for sure, and not assigned for sure by an earlier channel of the same pixel.
    uint32_t assigned = 0;
    uint32_t observed = 0;
    uint32_t read = 0;
    for (int c = 0; c < 3; ++c) {
        observed |= masks[c].read_before_write & ~assigned;
        assigned |= masks[c].always_written;
        read |= masks[c].read;
    }
    observed &= kAllLetters;
    plan.loaded_letters = read & plan.band_letters;
    plan.key_letters = observed & plan.band_letters;
    plan.state_letters = observed & ~plan.band_letters;

    // Separable: no channel observes a scratch letter or a letter that an earlier channel may have assigned.
    uint32_t written_before = 0;
    plan.separable = true;
    for (int c = 0; c < 3; ++c) {
        const uint32_t rbw = masks[c].read_before_write & kAllLetters;
        if (rbw & (~plan.band_letters | written_before)) plan.separable = false;
        plan.channel_key_letters[c] = rbw & plan.band_letters;
        written_before |= masks[c].written;
    }
    if (!plan.separable) {
        for (uint32_t& m : plan.channel_key_letters)
            m = 0;
    }
    return plan;
}

CompositeCache::CompositeCache() {
    for (int k = 0; k < kLetterCount; ++k)
        cells_[k] = &values_[k];
}

CompositeCache::~CompositeCache() = default;

void CompositeCache::begin(int row_count, const CompositeExpressions& exprs, bool use_cache,
                           const std::atomic<bool>* stop) {
    const CalcExpr* trees[3] = {exprs.red, exprs.green, exprs.blue};
    ProgramMasks masks[3];
    for (int c = 0; c < 3; ++c) {
        programs_[c] = trees[c] ? std::make_unique<EcalcProgram>(trees[c]) : std::make_unique<EcalcProgram>();
        programs_[c]->set_stop_flag(stop);
        masks[c].read = programs_[c]->letters_read();
        masks[c].written = programs_[c]->letters_written();
        masks[c].always_written = programs_[c]->letters_always_written();
        masks[c].read_before_write = programs_[c]->letters_read_before_write();
    }
    plan_ = PlanPixel(masks, row_count);
    stored_letters_ = 0;
    for (const auto& program : programs_)
        stored_letters_ |= program->stored_read();
    stored_letters_ &= plan_.band_letters;
    // A channel of the same text as one before it gives that channel's byte when no letter can change in
    // between (neither that channel nor one after it assigns any).
    for (int c = 0; c < 3; ++c) {
        same_as_[c] = -1;
        uint32_t written_since = 0;
        for (int e = c - 1; e >= 0; --e) {
            written_since |= masks[e].written;
            if (written_since == 0 && programs_[c]->same_code(*programs_[e])) same_as_[c] = e;
        }
    }
    key_letter_count_ = letters_to_list(plan_.key_letters, key_letter_list_);
    state_letter_count_ = letters_to_list(plan_.state_letters, state_letter_list_);
    loaded_letter_count_ = letters_to_list(plan_.loaded_letters, loaded_letter_list_);

    std::fill(std::begin(values_), std::end(values_), 0.0);  // every letter starts at 0 for the redraw
    misses_ = 0;
    lookups_ = 0;
    state_values_.clear();
    state_ids_.clear();
    state_count_ = 0;
    state_ = 0;
    directory_.clear();
    pool_.resize(kPageEntries);  // page 0 stands for "no page"

    mode_ = Mode::Direct;
    // Stored values are not bytes: a pixel that reads them is evaluated in full.
    if (use_cache && stored_letters_ == 0) {
        bool per_channel_fits = plan_.separable;
        for (int c = 0; c < 3; ++c) {
            if (popcount(plan_.channel_key_letters[c]) > 2) per_channel_fits = false;
        }
        if (key_letter_count_ <= 2) {
            mode_ = Mode::PixelTable;
        } else if (per_channel_fits) {
            mode_ = Mode::PerChannel;
        } else if (key_letter_count_ <= 8) {
            mode_ = Mode::PixelHash;
        }
    }

    // Without a cache, programs of straight-line code run over a whole run of pixels at once.
    bulk_ = mode_ == Mode::Direct;
    read_letters_ = 0;
    for (int c = 0; c < 3; ++c) {
        bulk_ = bulk_ && (programs_[c]->empty() || programs_[c]->runs_in_bulk());
        read_letters_ |= masks[c].read;
    }

    if (mode_ == Mode::PixelTable) {
        pages_per_state_ = key_letter_count_ == 2 ? 256 : 1;
        if (plan_.state_letters == 0) flat_table_.assign(size_t{1} << (8 * key_letter_count_), 0);
        max_states_ = static_cast<uint32_t>(
            std::clamp<uint64_t>(kMaxDirectoryEntries / pages_per_state_, 1, kMaxStates));
    } else if (mode_ == Mode::PixelHash) {
        max_states_ = kMaxStates;
        if (hash_slots_.empty()) hash_slots_.resize(kHashSlots);
        if (++hash_generation_ == 0) {  // wrapped: forget every slot
            std::fill(hash_slots_.begin(), hash_slots_.end(), HashSlot{});
            hash_generation_ = 1;
        }
        hash_used_ = 0;
    } else if (mode_ == Mode::PerChannel) {
        for (int c = 0; c < 3; ++c) {
            channel_letter_count_[c] = letters_to_list(plan_.channel_key_letters[c], channel_letters_[c]);
            channel_tables_[c].assign(size_t{1} << (8 * channel_letter_count_[c]), 0);
        }
    }
    if (mode_ == Mode::PixelTable || mode_ == Mode::PixelHash) {
        state_ = intern_state();  // the all-zero start state
    }
    if (stats_) {
        stats_->cached = mode_ != Mode::Direct;
        stats_->per_channel = mode_ == Mode::PerChannel;
        stats_->pixel_independent = use_cache && plan_.state_letters == 0;
    }
}

uint32_t CompositeCache::intern_state() {
    std::string key;
    key.resize(static_cast<size_t>(state_letter_count_) * sizeof(double));
    for (int t = 0; t < state_letter_count_; ++t) {
        std::memcpy(&key[t * sizeof(double)], &values_[state_letter_list_[t]], sizeof(double));
    }
    auto it = state_ids_.find(key);
    if (it != state_ids_.end()) return it->second;
    if (state_count_ >= max_states_) return kNoState;
    const uint32_t id = state_count_++;
    state_ids_.emplace(std::move(key), id);
    for (int t = 0; t < state_letter_count_; ++t)
        state_values_.push_back(values_[state_letter_list_[t]]);
    if (mode_ == Mode::PixelTable) directory_.resize(directory_.size() + pages_per_state_, 0);
    return id;
}

void CompositeCache::load_state(uint32_t state) {
    const double* v = state_values_.data() + static_cast<size_t>(state) * state_letter_count_;
    for (int t = 0; t < state_letter_count_; ++t)
        values_[state_letter_list_[t]] = v[t];
}

void CompositeCache::fall_back() {
    mode_ = Mode::Direct;
    if (stats_) stats_->fell_back = true;
}

void CompositeCache::evaluate_full(uint8_t* bgr) {
    for (int c = 0; c < 3; ++c) {
        const int same = same_as_[c];
        bgr[2 - c] = same >= 0
                         ? bgr[2 - same]
                         : static_cast<uint8_t>(ClampToByte(programs_[c]->evaluate(cells_, stored_, 0.0)));
    }
    if (stats_) ++stats_->evaluations;
}

void CompositeCache::eval_bulk(const uint8_t* const* vals, int from, int count, uint8_t* out_bgr) {
    const int n = count - from;
    const double* letters[kLetterCount] = {};
    const double* stored[kLetterCount] = {};
    for (uint32_t read = read_letters_; read; read &= read - 1) {
        const int k = __builtin_ctz(read);
        std::vector<double>& column = letter_columns_[k];
        column.resize(static_cast<size_t>(n));
        if (plan_.loaded_letters >> k & 1) {
            for (int i = 0; i < n; ++i)
                column[static_cast<size_t>(i)] = vals[k][from + i];
        } else {
            std::fill(column.begin(), column.end(),
                      values_[k]);  // a letter no band stands for keeps its value
        }
        letters[k] = column.data();
    }
    for (uint32_t s = stored_letters_; s; s &= s - 1) {
        const int k = __builtin_ctz(s);
        stored[k] = stored_runs_.run[k] + from;
    }
    for (int c = 0; c < 3; ++c) {
        results_[c].resize(static_cast<size_t>(n));
        if (same_as_[c] < 0) programs_[c]->evaluate_run(letters, stored, n, results_[c].data());
    }
    for (int c = 0; c < 3; ++c) {
        const double* result = results_[same_as_[c] < 0 ? c : same_as_[c]].data();
        uint8_t* out = out_bgr + 3 * from + (2 - c);
        for (int i = 0; i < n; ++i)
            out[3 * i] = static_cast<uint8_t>(ClampToByte(result[i]));
    }
    if (stats_) stats_->evaluations += n;
}

void CompositeCache::eval_direct(const uint8_t* const* vals, int from, int count, uint8_t* out_bgr) {
    if (bulk_) {
        eval_bulk(vals, from, count, out_bgr);
        return;
    }
    for (int i = from; i < count; ++i) {
        for (int t = 0; t < loaded_letter_count_; ++t) {
            const int b = loaded_letter_list_[t];
            values_[b] = vals[b][i];
        }
        for (uint32_t s = stored_letters_; s; s &= s - 1) {
            const int b = __builtin_ctz(s);
            stored_[b] = stored_runs_.run[b][i];
        }
        evaluate_full(out_bgr + 3 * i);
    }
}

// Evaluates one pixel whose result is not cached yet, from the current state and the band values in `key`;
// leaves the cells holding the state after the pixel. Returns false when the cache is given up (the caller
// then continues in full evaluation, which the cells are ready for).
bool CompositeCache::evaluate_miss(uint64_t key, uint8_t* bgr, uint32_t* next) {
    ++misses_;
    load_state(state_);
    for (int t = 0; t < key_letter_count_; ++t) {
        values_[key_letter_list_[t]] = static_cast<double>((key >> (8 * t)) & 0xFF);
    }
    evaluate_full(bgr);
    *next = intern_state();
    if (*next == kNoState || (lookups_ > kMissRateWindow && misses_ * 2 > lookups_)) {
        fall_back();
        return false;
    }
    return true;
}

bool CompositeCache::table_miss(uint64_t key, uint8_t* bgr) {
    uint32_t next;
    if (!evaluate_miss(key, bgr, &next)) return false;
    uint32_t& page = directory_[static_cast<size_t>(state_) * pages_per_state_ + (key >> 8)];
    if (page == 0) {
        const size_t pages = pool_.size() / kPageEntries;
        if (pages > kMaxPages) {
            fall_back();
            return false;
        }
        page = static_cast<uint32_t>(pages);
        pool_.resize(pool_.size() + kPageEntries);
    }
    Entry& e = pool_[static_cast<size_t>(page) * kPageEntries + (key & 0xFF)];
    e.next = next;
    std::memcpy(e.bgr, bgr, 3);
    e.valid = 1;
    state_ = next;
    return true;
}

bool CompositeCache::hash_step(uint64_t key, uint8_t* bgr) {
    const size_t mask = kHashSlots - 1;
    size_t idx = hash_key(key, state_) & mask;
    while (hash_slots_[idx].generation == hash_generation_) {
        const HashSlot& s = hash_slots_[idx];
        if (s.key == key && s.state == state_) {
            std::memcpy(bgr, s.bgr, 3);
            state_ = s.next;
            return true;
        }
        idx = (idx + 1) & mask;
    }
    uint32_t next;
    if (!evaluate_miss(key, bgr, &next)) return false;
    if (hash_used_ >= kHashMaxUsed) {
        fall_back();
        return false;
    }
    HashSlot& s = hash_slots_[idx];
    s.key = key;
    s.state = state_;
    s.generation = hash_generation_;
    s.next = next;
    std::memcpy(s.bgr, bgr, 3);
    ++hash_used_;
    state_ = next;
    return true;
}

void CompositeCache::eval_stateless_table(const uint8_t* const* vals, int count, uint8_t* out_bgr) {
    // No letter carries over: a pixel's colour depends on its key alone, kept in a flat table (the pixel's
    // blue, green and red, and a bit that says the entry is set) that each pixel reads with one load.
    static const uint8_t kNoLetter[1] = {0};
    const uint8_t* v0 = key_letter_count_ > 0 ? vals[key_letter_list_[0]] : kNoLetter;
    const uint8_t* v1 = key_letter_count_ > 1 ? vals[key_letter_list_[1]] : kNoLetter;
    const int stride0 = key_letter_count_ > 0 ? 1 : 0, stride1 = key_letter_count_ > 1 ? 1 : 0;
    uint32_t* flat = flat_table_.data();
    int missed = 0, looked = 0;  // lookups are counted before each miss, for the miss rate
    for (int i = 0; i < count; ++i) {
        const uint32_t key = v0[i * stride0] | static_cast<uint32_t>(v1[i * stride1]) << 8;
        uint8_t* bgr = out_bgr + 3 * i;
        uint32_t e = flat[key];
        if (!(e >> 24)) {
            ++missed;
            lookups_ += i + 1 - looked;
            looked = i + 1;
            if (!table_miss(key, bgr)) {
                eval_direct(vals, i + 1, count, out_bgr);
                if (stats_) stats_->reused += i + 1 - missed;
                return;
            }
            e = 0x1000000u | bgr[0] | static_cast<uint32_t>(bgr[1]) << 8 |
                static_cast<uint32_t>(bgr[2]) << 16;
            flat[key] = e;
        }
        if (i + 1 < count) {
            std::memcpy(bgr, &e, 4);  // one store; its fourth byte is the next pixel's, written next
        } else {
            bgr[0] = static_cast<uint8_t>(e);
            bgr[1] = static_cast<uint8_t>(e >> 8);
            bgr[2] = static_cast<uint8_t>(e >> 16);
        }
    }
    lookups_ += count - looked;
    if (stats_) stats_->reused += count - missed;
}

uint16_t CompositeCache::channel_entry(int c, uint8_t value) {
    uint16_t& e = channel_tables_[c][value];
    if (!(e & 0x100)) {
        if (channel_letter_count_[c] > 0) values_[channel_letters_[c][0]] = value;
        e = static_cast<uint16_t>(0x100 | ClampToByte(programs_[c]->evaluate(cells_, 0.0)));
        if (stats_) ++stats_->evaluations;
    }
    return e;
}

bool CompositeCache::eval_single_letter_channels(const uint8_t* const* vals, int count, uint8_t* out_bgr) {
    // Channels of one letter or none (a, b, c; a constant): the three looked up in one pass over the run,
    // without a branch per channel while every value met has its entry already.
    const uint8_t* v[3];
    const uint16_t* t[3];
    for (int c = 0; c < 3; ++c) {
        if (channel_letter_count_[c] > 1) return false;
        if (channel_letter_count_[c] == 0 && static_cast<int>(zeros_.size()) < count)
            zeros_.assign(static_cast<size_t>(count), 0);
        v[c] = channel_letter_count_[c] == 1 ? vals[channel_letters_[c][0]] : zeros_.data();
        t[c] = channel_tables_[c].data();
    }
    for (int i = 0; i < count; ++i) {
        uint16_t r = t[0][v[0][i]], g = t[1][v[1][i]], b = t[2][v[2][i]];
        if (!(r & g & b & 0x100)) {
            r = channel_entry(0, v[0][i]);
            g = channel_entry(1, v[1][i]);
            b = channel_entry(2, v[2][i]);
        }
        uint8_t* px = out_bgr + 3 * i;
        px[0] = static_cast<uint8_t>(b);
        px[1] = static_cast<uint8_t>(g);
        px[2] = static_cast<uint8_t>(r);
    }
    if (stats_) stats_->reused += count;
    return true;
}

void CompositeCache::eval_run(const uint8_t* const* vals, int count, uint8_t* out_bgr) {
    switch (mode_) {
        case Mode::Direct:
            eval_direct(vals, 0, count, out_bgr);
            return;

        case Mode::PerChannel:
            if (eval_single_letter_channels(vals, count, out_bgr)) return;
            for (int c = 0; c < 3; ++c) {
                uint16_t* table = channel_tables_[c].data();
                const int n = channel_letter_count_[c];
                const uint8_t* v0 = n > 0 ? vals[channel_letters_[c][0]] : nullptr;
                const uint8_t* v1 = n > 1 ? vals[channel_letters_[c][1]] : nullptr;
                uint8_t* out = out_bgr + (2 - c);  // red is the third byte of a pixel
                for (int i = 0; i < count; ++i) {
                    const uint32_t key = (v0 ? v0[i] : 0u) | (v1 ? static_cast<uint32_t>(v1[i]) << 8 : 0u);
                    uint16_t e = table[key];
                    if (!(e & 0x100)) {
                        if (v0) values_[channel_letters_[c][0]] = v0[i];
                        if (v1) values_[channel_letters_[c][1]] = v1[i];
                        e = static_cast<uint16_t>(0x100 | ClampToByte(programs_[c]->evaluate(cells_, 0.0)));
                        table[key] = e;
                        if (stats_) ++stats_->evaluations;
                    }
                    out[3 * i] = static_cast<uint8_t>(e);
                }
            }
            if (stats_) stats_->reused += count;
            return;

        case Mode::PixelTable: {
            if (plan_.state_letters == 0) {
                eval_stateless_table(vals, count, out_bgr);
                return;
            }
            const uint8_t* v0 = key_letter_count_ > 0 ? vals[key_letter_list_[0]] : nullptr;
            const uint8_t* v1 = key_letter_count_ > 1 ? vals[key_letter_list_[1]] : nullptr;
            long long hits = 0;
            for (int i = 0; i < count; ++i) {
                const uint32_t key = (v0 ? v0[i] : 0u) | (v1 ? static_cast<uint32_t>(v1[i]) << 8 : 0u);
                const uint32_t page = directory_[static_cast<size_t>(state_) * pages_per_state_ + (key >> 8)];
                const Entry& e = pool_[static_cast<size_t>(page) * kPageEntries + (key & 0xFF)];
                uint8_t* bgr = out_bgr + 3 * i;
                ++lookups_;
                if (page != 0 && e.valid) {
                    bgr[0] = e.bgr[0];
                    bgr[1] = e.bgr[1];
                    bgr[2] = e.bgr[2];
                    state_ = e.next;
                    ++hits;
                } else if (!table_miss(key, bgr)) {
                    eval_direct(vals, i + 1, count, out_bgr);
                    break;
                }
            }
            if (stats_) stats_->reused += hits;
            return;
        }

        case Mode::PixelHash: {
            long long hits = 0;
            for (int i = 0; i < count; ++i) {
                uint64_t key = 0;
                for (int t = 0; t < key_letter_count_; ++t) {
                    key |= static_cast<uint64_t>(vals[key_letter_list_[t]][i]) << (8 * t);
                }
                ++lookups_;
                const long long misses_before = misses_;
                if (!hash_step(key, out_bgr + 3 * i)) {
                    eval_direct(vals, i + 1, count, out_bgr);
                    break;
                }
                if (misses_ == misses_before) ++hits;
            }
            if (stats_) stats_->reused += hits;
            return;
        }
    }
}

namespace {

// The target's pixels from column x0 of line y when `count` pixels from there lie inside it (a run can then
// be evaluated straight into the picture), else null.
uint8_t* line_inside(const CompositeTarget& t, int y, int x0, int count) {
    if (y < 0 || y >= t.height || x0 < 0 || static_cast<long long>(x0) + count > t.width) return nullptr;
    return t.pixels + static_cast<std::ptrdiff_t>(y) * t.stride + static_cast<std::ptrdiff_t>(x0) * 3;
}

// Writes `count` pixels of `bgr` to screen line y from column x0, each `factor` pixels wide.
void write_line(const CompositeTarget& t, int y, int x0, int count, int factor, const uint8_t* bgr) {
    if (y < 0 || y >= t.height) return;
    if (x0 >= 0 && static_cast<long long>(x0) + static_cast<long long>(count) * factor <= t.width) {
        // The whole run lies inside the line: no clipping per pixel.
        uint8_t* dst =
            t.pixels + static_cast<std::ptrdiff_t>(y) * t.stride + static_cast<std::ptrdiff_t>(x0) * 3;
        if (factor == 1) {
            std::memcpy(dst, bgr, static_cast<size_t>(count) * 3);
            return;
        }
        for (int i = 0; i < count; ++i) {
            for (int m = 0; m < factor; ++m) {
                dst[0] = bgr[3 * i];
                dst[1] = bgr[3 * i + 1];
                dst[2] = bgr[3 * i + 2];
                dst += 3;
            }
        }
        return;
    }
    for (int i = 0; i < count; ++i) {
        PutPixels(t, x0 + i * factor, y, factor, bgr[3 * i], bgr[3 * i + 1], bgr[3 * i + 2]);
    }
}

// Copies the drawn segment [x0, x0 + width) of screen line `from` to screen line `to`.
void copy_line(const CompositeTarget& t, int from, int to, int x0, int width) {
    if (from < 0 || from >= t.height || to < 0 || to >= t.height) return;
    int x1 = std::min(x0 + width, t.width);
    x0 = std::max(x0, 0);
    if (x1 <= x0) return;
    std::memcpy(t.pixels + static_cast<std::ptrdiff_t>(to) * t.stride + x0 * 3,
                t.pixels + static_cast<std::ptrdiff_t>(from) * t.stride + x0 * 3,
                static_cast<size_t>(x1 - x0) * 3);
}

}  // namespace

void CompositeCache::draw(const CompositeBandRow* rows, int row_count, const CompositeExpressions& exprs,
                          const ViewGeometry& geometry, const CompositeTarget& target, bool use_cache,
                          CompositeStats* stats, RedrawControl* control, bool continuing) {
    FillWhite(target);
    if (!target.pixels) return;
    row_count = std::max(0, row_count);
    stats_ = stats;
    // A continued picture keeps the programs, the letters' values and the caches of the lines before it.
    if (!continuing || !programs_[0]) begin(row_count, exprs, use_cache, control ? &control->stop : nullptr);

    const int F = geometry.factor;
    const int C = geometry.columns;
    const int L = geometry.lines;
    // Lines above the image are final once the view is white; each drawn line (F view lines when
    // magnifying) is reported as it is finished.
    auto report = [&](int lines) {
        if (control) control->lines_done.store(std::min(lines, target.height), std::memory_order_release);
    };
    auto stopped = [&] { return control && control->stop.load(std::memory_order_relaxed); };
    auto finish = [&] {
        if (!control) return;
        report(target.height);
        control->complete.store(true, std::memory_order_release);
    };
    report(std::max(0, geometry.offset_y));
    if (C <= 0 || L <= 0) {
        finish();
        return;
    }
    const bool magnify = geometry.magnifying();
    const bool independent = use_cache && plan_.state_letters == 0;

    // Only rows whose letter some program reads are fetched: the others cannot change the picture.
    const int run = magnify ? C : C * F;
    bufs_.prepare(rows, row_count, run);
    PrepareMappings(rows, row_count, mappings_);
    // At full resolution the lines of this picture are read a few at a time.
    for (WideBandMapping& mapping : mappings_)
        mapping.set_read_ahead(magnify ? geometry.first_line + L : 0);
    const uint8_t* vals[kLetterCount] = {};
    if (!magnify) {
        for (int t = 0; t < loaded_letter_count_; ++t) {
            const int b = loaded_letter_list_[t];
            gathered_[b].resize(static_cast<size_t>(C));
            for (int v = 0; v < 256; ++v)
                luts_[b][v] = rows[b].band ? remos_stretch_value(rows[b].band, v) : 0;
        }
    }
    out_.resize(static_cast<size_t>(C) * 3);
    // Bands read that can be without data mark the pixels drawn in its colour, after their evaluation.
    bool marking[kLetterCount] = {};
    bool any_marking = false;
    for (int t = 0; t < loaded_letter_count_; ++t) {
        const int b = loaded_letter_list_[t];
        marking[b] = MarksMissing(rows[b], mappings_[b]);
        any_marking = any_marking || marking[b];
    }
    missing_.assign(static_cast<size_t>(C), 0);
    uint8_t* const missing = any_marking || stored_letters_ ? missing_.data() : nullptr;
    stored_runs_.prepare(stored_letters_, row_count, C);
    auto fetch_stored = [&](int line, int n, int step) {
        for (uint32_t s = stored_letters_; s; s &= s - 1) {
            const int b = __builtin_ctz(s);
            stored_reader_.fetch(rows[b], stored_runs_.run[b], line, geometry.first_column, n, step, missing);
        }
    };
    auto paint = [&](uint8_t* bgr) {
        if (missing) PaintMissing(target, missing, C, bgr);
    };

    for (int j = 0; j < L; ++j) {
        if (stopped()) return;
        if (missing) std::fill(missing_.begin(), missing_.end(), 0);
        if (magnify) {
            fetch_stored(geometry.first_line + j, C, 1);
            for (int t = 0; t < loaded_letter_count_; ++t) {
                const int b = loaded_letter_list_[t];
                FetchBandRun(rows[b], bufs_[b], geometry.first_line + j, geometry.first_column, C, true,
                             &mappings_[b], marking[b] ? missing : nullptr);
                vals[b] = bufs_[b];
            }
            const int y0 = geometry.offset_y + j * F;
            if (independent) {
                // No scratch letter carries over: the F evaluations of an image pixel agree, do one.
                uint8_t* direct = F == 1 ? line_inside(target, y0, geometry.offset_x, C) : nullptr;
                eval_run(vals, C, direct ? direct : out_.data());
                paint(direct ? direct : out_.data());
                if (!direct) write_line(target, y0, geometry.offset_x, C, F, out_.data());
                for (int k = 1; k < F; ++k)
                    copy_line(target, y0, y0 + k, geometry.offset_x, C * F);
            } else {
                for (int k = 0; k < F; ++k) {
                    eval_run(vals, C, out_.data());
                    paint(out_.data());
                    write_line(target, y0 + k, geometry.offset_x, C, F, out_.data());
                }
            }
        } else {
            fetch_stored(geometry.first_line + j * F, C * F, F);
            for (int t = 0; t < loaded_letter_count_; ++t) {
                const int b = loaded_letter_list_[t];
                uint8_t* g = gathered_[b].data();
                if (rows[b].band && mappings_[b].active()) {
                    // Wide bands: the reduced run (a GDAL band's overview when it has one), mapped through
                    // the display range.
                    mappings_[b].fetch(rows[b].band, g, geometry.first_line + j * F, geometry.first_column,
                                       C * F, F, marking[b] ? missing : nullptr);
                } else {
                    const unsigned char* buf = bufs_[b];
                    FetchBandRun(rows[b], bufs_[b], geometry.first_line + j * F, geometry.first_column, C * F,
                                 false, nullptr);
                    const uint8_t* lut = luts_[b];
                    for (int i = 0; i < C; ++i)
                        g[i] = lut[buf[static_cast<size_t>(i) * F]];
                    const int none = marking[b] ? MissingByte(rows[b]) : -1;
                    for (int i = 0; none >= 0 && i < C; ++i)
                        if (buf[static_cast<size_t>(i) * F] == none) missing[i] = 1;
                }
                vals[b] = g;
            }
            uint8_t* direct = line_inside(target, geometry.offset_y + j, geometry.offset_x, C);
            eval_run(vals, C, direct ? direct : out_.data());
            paint(direct ? direct : out_.data());
            if (!direct) write_line(target, geometry.offset_y + j, geometry.offset_x, C, 1, out_.data());
        }
        // A line whose repeats were cut short by the stop flag is not final.
        if (stopped()) return;
        report(geometry.offset_y + (j + 1) * (magnify ? F : 1));
    }
    finish();
}

}  // namespace orvenna
