#pragma once

namespace Platform {

// SIGHUP (the terminal closed), SIGINT and SIGTERM as requests to the main loop. The handler only
// counts each signal; the loop takes them one at a time each step and decides (leave at once, or
// ask the player first), so two signals that come before the loop looks are still two. A process
// whose loop does not answer, three signals in a row without a TakeStopSignal between them, is
// ended by the third one as if nothing caught it.
void CatchStopSignals();
// One stop signal that arrived and was not taken yet (0: none); the others stay for the next calls.
int TakeStopSignal();
// Gives the signals back their default action; returns a stop signal that arrived and was not
// taken yet (0: none).
int ReleaseStopSignals();
// Ends the process as the signal would have without a handler (its exit status shows the signal).
[[noreturn]] void EndBySignal(int signal);

}  // namespace Platform
