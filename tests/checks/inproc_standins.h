#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/support/import_patch.h"
#include "tests/support/machine_fixture.h"

namespace zu::test {

// Registers an in-process stand-in of the test-binary folder (standins\<dll>)
// as the apartment-threaded server of clsid, in the registry view that a
// 32-bit process reads (over a system class of that identifier, too). machine
// puts back what was registered before.
testing::AssertionResult RegisterStandinServer(Machine* machine,
                                               const CLSID& clsid,
                                               const wchar_t* dll);

// A fixed local time for the code under test, through its import of
// GetLocalTime, while the object lives.
class ScopedLocalTime {
  public:
    explicit ScopedLocalTime(const SYSTEMTIME& time);

    bool active() const { return patch_.active(); }

  private:
    ScopedImportPatch patch_;
};

// June 2024, day 1 to 30, at the given time; 15 June is a Saturday.
SYSTEMTIME JuneTime(WORD day, WORD hour, WORD minute, WORD second);

}  // namespace zu::test
