#pragma once
// Keeping the calling thread's windows responsive while it waits on something
// that is not a message.

namespace win {

// Dispatches every message already queued, and those they post in turn. A quit
// request stops it and is put back for the loop that owns it; then false.
bool PumpPending();

}  // namespace win
