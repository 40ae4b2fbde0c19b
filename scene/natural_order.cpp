#include "scene/natural_order.h"

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool natural_name_less(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    int zeros = 0;  // which name had more leading zeros in the first run that differed only by them
    while (i < a.size() && j < b.size()) {
        if (is_digit(a[i]) && is_digit(b[j])) {
            size_t ia = i, jb = j;
            while (ia < a.size() && a[ia] == '0')
                ++ia;
            while (jb < b.size() && b[jb] == '0')
                ++jb;
            size_t ea = ia, eb = jb;
            while (ea < a.size() && is_digit(a[ea]))
                ++ea;
            while (eb < b.size() && is_digit(b[eb]))
                ++eb;
            // Without leading zeros, the longer run is the larger number; equal lengths compare digit-wise.
            if (ea - ia != eb - jb) return ea - ia < eb - jb;
            const int digits = a.compare(ia, ea - ia, b, jb, eb - jb);
            if (digits != 0) return digits < 0;
            if (zeros == 0 && ia - i != jb - j) zeros = ia - i < jb - j ? -1 : 1;
            i = ea;
            j = eb;
            continue;
        }
        const unsigned char x = static_cast<unsigned char>(lower(a[i]));
        const unsigned char y = static_cast<unsigned char>(lower(b[j]));
        if (x != y) return x < y;
        ++i;
        ++j;
    }
    if ((i < a.size()) != (j < b.size())) return j < b.size();  // the shorter name first
    if (zeros != 0) return zeros < 0;
    return a < b;
}
