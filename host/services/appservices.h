#pragma once

#include <QtGlobal>

// Processes pending window messages of the calling thread's event loop.
void MsgPeekAndPump();

// True when the process uses more memory than its budget. The budget is a
// share of the machine's memory unless set (tests lower it).
bool IsMemoryOverflow();
void SetMemoryBudget(qint64 bytes);  // 0 restores the default
qint64 MemoryBudget();
qint64 CurrentMemoryUse();  // resident set size in bytes
