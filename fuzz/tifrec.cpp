// Fuzzes the TIFF directory reader: the input becomes a file, which is opened and walked entry by entry.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "fuzz/fuzz_input_file.h"
#include "scene/tifrec.h"

namespace {

// Touches every element the entry claims to hold, so out-of-bounds arrays show up under the sanitizers.
uint64_t walk_entry(const TiffEntry& e) {
    uint64_t sum = e.tag + e.type + e.count + static_cast<uint64_t>(e.value_offset);
    bool any = e.doubles || e.floats || e.longs || e.slongs || e.shorts || e.sshorts || e.bytes || e.sbytes ||
               e.undefined || e.rational_num || e.srational_num || e.ascii;
    if (!any) return sum;  // unknown type: a count without values
    for (uint32_t i = 0; i < e.count; ++i) {
        if (e.doubles) sum += static_cast<uint64_t>(e.doubles[i] != 0);
        if (e.floats) sum += static_cast<uint64_t>(e.floats[i] != 0);
        if (e.longs) sum += e.longs[i];
        if (e.slongs) sum += static_cast<uint32_t>(e.slongs[i]);
        if (e.shorts) sum += e.shorts[i];
        if (e.sshorts) sum += static_cast<uint16_t>(e.sshorts[i]);
        if (e.bytes) sum += e.bytes[i];
        if (e.sbytes) sum += static_cast<uint8_t>(e.sbytes[i]);
        if (e.undefined) sum += e.undefined[i];
        if (e.rational_num) sum += e.rational_num[i] + e.rational_den[i];
        if (e.srational_num)
            sum += static_cast<uint32_t>(e.srational_num[i]) + static_cast<uint32_t>(e.srational_den[i]);
        if (e.ascii) sum += static_cast<unsigned char>(e.ascii[i]);
    }
    if (e.ascii) sum += static_cast<unsigned char>(e.ascii[e.count]);  // the terminating NUL
    return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = WriteFuzzInput("tifrec", data, size);
    if (!path) return 0;

    TiffFile tiff{};
    int r = tifrec_open(&tiff, path);
    if (r != 1 && r != 2 && r != 3) __builtin_trap();
    volatile uint64_t sink = 0;
    int directories = 0;
    for (const TiffDirectory* d = tiff.directories; d; d = d->next) {
        ++directories;
        for (uint32_t i = 0; i < d->entry_count; ++i)
            sink = sink + walk_entry(d->entries[i]);
    }
    if (directories != tiff.directory_count) __builtin_trap();
    if (r != 3 && (tiff.file || tiff.directories)) __builtin_trap();
    tifrec_close(&tiff);
    return 0;
}
