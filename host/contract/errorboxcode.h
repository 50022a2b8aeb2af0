#pragma once

// Codes of the host's error box (OCMsgBox::OCErrorMessageBox) that the
// plug-in raises itself; the agent's own codes (AgentResult) pass through.
namespace ErrorBoxCode {
enum : int {
    DeleteRefused = 7, // the phone refused the delete
    PhoneBusy = 9, // the phone is busy with another task
    RenameFailed = 23,
    OutOfMemory = 25, // the listing stopped short of memory
    StorageNotOpened = 2104, // a mass-storage phone could not be mounted
};
}
