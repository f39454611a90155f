#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/file_fixture.h"

namespace zu::test {

// What a refused run must leave as it found: the client's folders and data,
// the maker's keys, uninstall and Run entries in both registry views, and the
// scheduled tasks. Taken before and after a run and compared.
class MachineSnapshot {
  public:
    // Reads the machine now.
    static MachineSnapshot Take();

    // What differs from before, one line per file, key or value (paths and
    // value names); empty when nothing does. Paths that contain one of
    // ignored (without regard to case) are left out, for what a run may write.
    std::vector<std::wstring> ChangesSince(const MachineSnapshot& before,
                                           const std::vector<std::wstring>& ignored = {}) const;

  private:
    std::map<std::wstring, FileTree> folders_;
    // "<area>\<key path>\\<value name>" -> type and data; keys alone with an empty name.
    std::map<std::wstring, std::string> registry_;
};

}  // namespace zu::test
