#pragma once
// Code built for plain SSE runs several times slower on a recent x86
// processor while the upper halves of its AVX registers are dirty: every SSE
// instruction then waits on a merge with them. Some library code (Qt's hash
// tables, for one) returns without clearing them, and on a processor whose C
// library copies memory with AVX-512 registers that never do, nothing clears
// them for a long time; a new thread inherits them. A long computation
// therefore starts clean: on its thread, and on the UI thread after Qt.

namespace pitkad {

// Clears the upper halves of the AVX registers where the processor has them
// (the `vzeroupper` instruction); nothing elsewhere.
void clear_upper_vector_state();

} // namespace pitkad
