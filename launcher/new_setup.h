#pragma once

namespace zu {

// Runs the new generation's setup (relative_path beside the launcher, e.g.
// "Installer\setup.exe") with " /s", in "<launcher folder>\Installer\", and
// waits for it without limit. Returns at once when the setup cannot be
// started; its exit code is not looked at.
void RunNewSetup(const wchar_t* relative_path);

}  // namespace zu
