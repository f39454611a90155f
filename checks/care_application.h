#pragma once

namespace zu {

// True when the maker's care application reports that it is running, through
// the state library in its program folder below the native Program Files
// folder. False when that folder cannot be found, or the library is not
// signed by the maker (platform/file_trust), or it or its export is missing or
// cannot be loaded.
bool IsCareApplicationRunning();

}  // namespace zu
