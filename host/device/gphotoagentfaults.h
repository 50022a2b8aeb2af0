#pragma once

// Faults a GPhotoAgent plays for tests: a device slow to answer, and one
// that fails at a step of replacing a file. Set process-wide, since the
// window makes its agents itself; an agent takes them when it is made.
struct GPhotoAgentFaults
{
    int openDelayMs = 0; // opening answers this much later (cancel still ends it)
    int failReplaceAtStep = 0; // ReplaceFile's step that fails (1-based), 0: none
};
