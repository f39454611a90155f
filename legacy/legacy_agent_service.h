#pragma once

// The Windows service that earlier generations' agent runs as.

namespace zu {

// Asks the agent's service ("DARiziz") to stop, without waiting for it to
// stop. True when the request was accepted; false when the service manager or
// the service cannot be opened (no such service) or the service refuses the
// request (for example because it is not running). Changes nothing else.
bool StopLegacyAgentService();

}  // namespace zu
