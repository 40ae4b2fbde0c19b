// The order in which files opened together are taken: natural order, as people number their files. Runs of
// digits compare as numbers ("B2" before "B10"), everything else byte by byte without regard to ASCII letter
// case; names equal so far keep a stable order (fewer leading zeros first, then byte order).
#pragma once

#include <string>

bool natural_name_less(const std::string& a, const std::string& b);
