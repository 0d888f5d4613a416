#include "cli/console/standard_descriptors.h"

namespace tavro::cli {

// A Windows socket is a handle of its own, never one of the C runtime's descriptors 0 to 2, and
// there is no SIGPIPE: a missing stdout fails at its first write, which ends the run there.
bool HoldStandardDescriptors() { return true; }

}  // namespace tavro::cli
