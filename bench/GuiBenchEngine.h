#ifndef TRAKMOOR_BENCH_GUIBENCHENGINE_H
#define TRAKMOOR_BENCH_GUIBENCHENGINE_H

// The engine of the toolkit benchmarks: draws and routes exactly as the toolkit does by default.

#include "gui/GuiEngine.h"
#include "gui/GuiTestSupport.h"
#include "gui/GuiWindow.h"

namespace guibench {

// Unlike the tests' engine it records nothing, so that only the toolkit's work is timed: the
// toolkit's own drawing and event forwarding, with the embedded font loaded first.
class BenchEngine : private guitest::EmbeddedFontFirst, public GuiEngine {};

} // namespace guibench

#endif
