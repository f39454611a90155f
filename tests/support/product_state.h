#pragma once

#include <windows.h>

namespace zu::test {

// Puts the machine back to one without any trace of the product: ends the
// stand-ins, removes the client's folders, keys, tasks, Run values and
// shortcut that a whole run or an earlier test may have left, and empties the
// journal and the behaviour file. Whole-run tests start and end with it.
void ResetProductState();

}  // namespace zu::test

namespace zu::test {

// The region that the maker's "Shared Info" key gives every preinstalled
// machine ("dwLocation" 4309: Europe), so that unattended runs find one.
void SetSharedRegion(DWORD location = 4309);

}  // namespace zu::test
