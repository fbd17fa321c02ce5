// Worker threads: starting one, and waiting for one from the user-interface
// thread without blocking the messages that the worker may be waiting on.
#pragma once

#include <windows.h>

namespace fw {

using WorkerProc = unsigned(__stdcall*)(void* argument);

// Starts proc(argument) at once on a new thread (normal priority, default
// stack). Returns the thread handle, to be closed by the caller, or nullptr.
HANDLE StartWorker(WorkerProc proc, void* argument);

// Waits until the thread has ended, dispatching this thread's messages
// meanwhile (sent messages included, so a worker blocked in SendMessage to
// us goes on). Message boxes that the worker has open are closed as if the
// user had pressed OK. Closes nothing.
void WaitForWorker(HANDLE thread);

}  // namespace fw
