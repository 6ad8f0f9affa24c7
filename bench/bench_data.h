// The data every benchmark shares: the two rendered pages, loaded once.
#pragma once

#include <string>

#include "cups_page.h"

namespace inkband::bench {

// Folder of sparse.ras and dense.ras: $INKBAND_BENCH_PAGES, else the folder
// the build rendered them into.
std::string pagesFolder();

// "sparse" or "dense"; exits with a message when the page cannot be read.
const CupsPage& benchPage(const std::string& name);

}  // namespace inkband::bench
