// Fuzzes the metadata text reader: the input becomes a file that is read, searched and converted.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz/fuzz_input_file.h"
#include "scene/econf.h"

namespace {

const char* const kKeys[] = {
    "Img_ImageSceneLeftTopLatitude", "LMAX_BAND61", "LMIN_BAND61", "PRODUCT_UL_CORNER_LAT", "GROUP", "", "="};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = WriteFuzzInput("econf", data, size);
    if (!path) return 0;

    ConfFile conf{};
    if (!econf_open(&conf, path)) return 0;
    volatile double sink = 0;
    if (econf_read(&conf)) {
        for (uint32_t i = 0; i < conf.count; ++i) {
            const ConfEntry* e = conf.entries[i];
            // Every stored entry is found again by its key (the first with that key), and reads as a number.
            const ConfEntry* found = econf_find(&conf, e->key);
            if (!found || std::strcmp(found->key, e->key) != 0) __builtin_trap();
            if (std::strlen(e->key) == 0 || std::strlen(e->value) == 0 || e->valid != 1) __builtin_trap();
            sink = sink + econf_number(e);
        }
        for (const char* key : kKeys)
            sink = sink + econf_number(econf_find(&conf, key));
    }
    if (econf_close(&conf) != 1) __builtin_trap();

    // The line splitter on its own, on the input up to its first NUL.
    std::string line(reinterpret_cast<const char*>(data), size);
    econf_free_tokens(econf_tokenize(line.c_str()));
    return 0;
}
