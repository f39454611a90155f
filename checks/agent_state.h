#pragma once

namespace zu {

// True when the client's agent reports through its automation object (COM,
// in a single-threaded apartment for the length of the call) that it is busy.
// False when COM or the agent's object is not available, or the agent does not
// answer.
bool IsAgentBusy();

}  // namespace zu
