#ifndef TRAKMOOR_APP_TRACKINFOPRINTER_H
#define TRAKMOOR_APP_TRACKINFOPRINTER_H

// `trakmoor.bin --info`: the info panel of every track of a file, printed without a window.

#include <ostream>
#include <string>

namespace trakmoor {

// One block per track of "Label: value" lines (English labels, a blank line between blocks), or
// one JSON array of objects keyed by the same labels.  Returns the exit code: 0, or 1 with the
// status line's reason on `errors` for a file that does not open.  A file read only in part is
// printed, and its reason goes to `errors` as well.
int printTrackInfo(const std::string& path, bool json, std::ostream& out, std::ostream& errors);

} // namespace trakmoor

#endif
