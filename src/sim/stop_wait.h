#pragma once

namespace tavro::sim {

// Makes the stop requests (SIGTERM, SIGINT; Ctrl-C or a close on Windows) wait for
// WaitForStop instead of ending the process, and keeps a vanished reader from ending it:
// call it before any thread exists.
void HoldStopRequests();

// Until a stop request, or, when asked, until stdin ends, so that a test that dies leaves no
// simulator behind.
void WaitForStop(bool stopOnEof);

}  // namespace tavro::sim
