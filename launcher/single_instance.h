#pragma once

namespace zu {

// Takes "Global\ZUInstaller Mutex" (Everyone may use it but not change its
// DACL or owner). False when another launcher holds it, even under another
// account (the mutex exists, or exists and is not accessible); true otherwise,
// including when the mutex could not be created for another reason. The mutex
// stays held until the process ends.
bool AcquireSingleInstance();

}  // namespace zu
