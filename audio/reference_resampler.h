#pragma once
// The analysis samples of a recording resampled for analysis at another
// reference pitch (analysis/analysis_reference.h): between the reader's
// stream at 44100 Hz and the stream the analysis threads read.

#include "analysis/analysis_reference.h"
#include "analysis/sample_stream.h"

namespace pitkad {

// Reads `from` as it grows and appends to `to` the same sound with
// reference.ratio() × as many samples, time-aligned (sample i of `to` is
// the sound at i / ratio of `from`). Announces and finishes `to` with the
// frame count `from` has; abandons `to` when `from` is abandoned, and stops
// reading `from` when `to` refuses (stopped). Runs on a thread of its own
// between the reader and the analysis.
void resample_for_reference(SampleStream& from, SampleStream& to, AnalysisReference reference);

} // namespace pitkad
