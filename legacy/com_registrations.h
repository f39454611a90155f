#pragma once

// Removes what earlier generations registered for their COM servers, before
// the new setup registers the new ones.

namespace zu {

// Deletes the ProgIDs, the AppID, class, interface and type-library keys and
// the browser policy entries of earlier generations. On 64-bit (AMD64) Windows
// the ProgIDs go in the 64-bit view, the class keys in the 64-bit view and,
// as far as they were registered there, in the 32-bit view, the policy entries
// in both views; on any other Windows everything goes in the default view.
// Best effort: a key or parent that is missing or cannot be opened is skipped,
// and nothing is reported.
void RemoveLegacyComRegistrations();

}  // namespace zu
