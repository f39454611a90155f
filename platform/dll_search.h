#pragma once

namespace zu {

// Keeps DLLs that are loaded later out of the launcher's own folder and the
// current folder (installers are run from download folders, where planted DLLs
// wait): System32 only where the system supports it, else at least not the
// current folder. Best effort: old systems keep their default search order.
void RestrictDllSearchPath();

}  // namespace zu
