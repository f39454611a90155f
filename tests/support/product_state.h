#pragma once

namespace zu::test {

// Puts the machine back to one without any trace of the product: ends the
// stand-ins, removes the client's folders, keys, tasks, Run values and
// shortcut that a whole run or an earlier test may have left, and empties the
// journal and the behaviour file. Whole-run tests start and end with it.
void ResetProductState();

}  // namespace zu::test
