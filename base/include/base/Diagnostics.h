// The diagnostic channel: every line the driver writes goes to the host's debug procedure.
#pragma once

#include <tarnixdrv.h>

namespace tarnix {

// The procedure is read by SDK and timer threads while host threads may replace it.
void SetDebugProc(TarnixDebugMsgProc proc);
TarnixDebugMsgProc GetDebugProc();

// Formats one line printf-style into a 512-byte buffer (longer lines are cut) and hands it to
// the debug procedure. With no procedure set nothing is formatted. Text that comes from the
// host must only ever be an argument, never the format.
void DebugMsg(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace tarnix
