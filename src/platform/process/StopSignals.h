#pragma once

namespace Platform {

// SIGINT and SIGTERM as requests to the main loop. The handler only counts the signal; the loop
// asks TakeStopSignal each step and decides (leave at once, or ask the player first). A process
// whose loop does not answer, three signals in a row without a TakeStopSignal between them, is
// ended by the third one as if nothing caught it.
void CatchStopSignals();
// The last stop signal that arrived since the previous call (0: none).
int TakeStopSignal();
// Gives both signals back their default action; returns a stop signal that arrived and was not
// taken yet (0: none).
int ReleaseStopSignals();
// Ends the process as the signal would have without a handler (its exit status shows the signal).
[[noreturn]] void EndBySignal(int signal);

}  // namespace Platform
