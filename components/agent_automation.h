#pragma once

#include <windows.h>
#include <unknwn.h>

namespace zu {

// The automation object of the client's agent ("DARiziz.exe"), which answers
// whether the agent is busy. The class and interface identifiers are the
// agent's own; the launcher calls one method of the interface, the state
// getter, by its place in the interface's method table: the 32nd method after
// those of IUnknown and IDispatch, HRESULT (LONG* state), where state 1 means
// busy.
inline constexpr CLSID kAgentAutomationClassId = {0x4d18ee20,
                                                  0x37a1,
                                                  0x4e62,
                                                  {0x84, 0xc8, 0xe9, 0xe2, 0xf9, 0x6b, 0x12, 0xd8}};
inline constexpr IID kAgentAutomationInterfaceId = {
    0x4693b862,
    0x127e,
    0x4f0a,
    {0xa4, 0x01, 0x28, 0x7d, 0x9c, 0x9e, 0xc8, 0x35}};

// Zero-based place of the state getter in the interface's method table.
inline constexpr int kAgentStateGetterSlot = 38;
inline constexpr LONG kAgentStateBusy = 1;

using AgentStateGetter = HRESULT(STDMETHODCALLTYPE*)(IUnknown* self, LONG* state);

}  // namespace zu
