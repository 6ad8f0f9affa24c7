// The ternary packing of a whole 2-bit line, group by group through the
// packing table: the reference the fast packing of a line's non-zero bytes
// is checked against.
#pragma once

#include "inkband/inkband.h"

namespace inkband {

// Packs the 2-bit line described by `line` in place and rewrites its width,
// left and right to describe the packed bytes, one packed byte standing
// where a byte of 2-bit pixels stood: left at the first non-zero packed
// byte, right 0.  The bytes before the span are cleared first.
void packTernaryLine(PlaneLine* line);

}  // namespace inkband
