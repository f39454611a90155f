#pragma once

#include "platform/launcher_context.h"

namespace zu {

// Sets context->silent when a space-separated token of context->commandLine,
// trimmed of white space, is "/s" or "-s" in any case. Nothing else is recognised.
void ParseCommandLine(LauncherContext* context);

// Sets exactly one launch mode from context->silent and the client's requests in
// the product key (64-bit view); missing or mistyped values fall through to the
// next mode, and the ordinary run always applies last.
void ReadLaunchMode(LauncherContext* context);

// Consumes the "ZEUInstall" and "ZUSRInstall" requests. True when the product
// key could be opened (the deletions themselves are best effort).
bool ClearLaunchRequests();

}  // namespace zu
