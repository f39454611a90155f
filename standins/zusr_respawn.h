#pragma once

#include <windows.h>

#include "standins/standin_common.h"

namespace zu::standin {

// The switch with which one member of the pair starts the other:
// "/RespawnPartner <pid of the starter> <milliseconds left>".
inline constexpr wchar_t kRespawnPartnerSwitch[] = L"/RespawnPartner";

// Keeps this process and a partner ZUSR.exe alive as a pair: whenever the
// partner ends, a new one is started (a start that fails is recorded and
// tried again at the next poll). Returns once lifetime_ms have passed or the
// behaviour file no longer asks for respawn=1. partner_id 0: start the first
// partner now.
void RunRespawnPair(const Standin& standin, DWORD partner_id, DWORD lifetime_ms);

// The partner's side: reads the starter's pid and the time left from the
// arguments and runs the pair.
void RunAsRespawnPartner(const Standin& standin);

}  // namespace zu::standin
