#pragma once

namespace Platform {

// SIGHUP (the terminal closed), SIGINT and SIGTERM as requests to the main loop. The handler only
// counts each signal; the loop takes them one at a time each step and decides (leave at once, or
// ask the player first), so two signals that reach the process before the loop looks are still
// two. (The system keeps one of each kind pending: the same signal sent again before the first
// was delivered is merged into it and never reaches the handler.) A process whose loop has
// stopped looking, no TakeStopSignal or StopSignalWaiting for several seconds while a signal
// waits, is ended by the next signal as if nothing caught it; a burst while the loop works is
// only counted.
void CatchStopSignals();
// One stop signal that arrived and was not taken yet (0: none); the others stay for the next calls.
int TakeStopSignal();
// True when a stop signal waits to be taken; it stays. Counts as the loop looking (a wait that
// serves no loop step, a system box, calls it).
bool StopSignalWaiting();
// Gives the signals back their default action; returns a stop signal that arrived and was not
// taken yet (0: none).
int ReleaseStopSignals();
// Ends the process as the signal would have without a handler (its exit status shows the signal).
[[noreturn]] void EndBySignal(int signal);

}  // namespace Platform
