#pragma once

#include <QString>

namespace tavro::ui {

class WriterWindow;

// For scripts/bench: once the window is up, measures the longest gap between two turns of the
// UI thread's event loop, first for a second of idleness, then from a press of Search until
// the search has ended; writes the figures to resultPath ("name value" lines, milliseconds)
// and ends the dialog. failed is set when the file could not be written.
void ArmStallProbe(WriterWindow& window, const QString& resultPath, bool& failed);

// The result path named by TAVRO_WRITER_STALL_PROBE, empty when the variable is unset.
QString StallProbePathFromEnvironment();

}  // namespace tavro::ui
