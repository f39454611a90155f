#pragma once

namespace zu {

// Whether the launcher runs with administrator rights. The two questions
// differ under User Account Control: a member of the Administrators group in a
// process that is not elevated is a member, but not an administrator.

// True only when the caller's effective security context (the thread's
// impersonation token, else the process token) would be granted access that
// only the Administrators group has. False on any failure.
bool IsAdministrator();

// True when the process token lists the Administrators group, whatever the
// state of that entry (enabled, deny-only, ...). False on any failure.
bool IsAdministratorsGroupMember();

// True when sid is the account the process runs as. False otherwise and on
// any failure.
bool IsProcessAccount(void* sid);

// True when the process runs as LocalSystem (the client's agent starts
// automatic runs so). False otherwise and on any failure.
bool IsLocalSystem();

}  // namespace zu
