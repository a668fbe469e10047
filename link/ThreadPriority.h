#pragma once

#include <functional>
#include <thread>

// Puts the calling thread behind the process's other threads when the processor is short, so
// that a thread whose delay loses data (the link's receive thread) gets it first. An ordinary
// process may lower a thread's priority but not raise one. Errors are ignored: the thread then
// runs at the ordinary priority.
void YieldToOtherThreads();

// Starts `body` on a new thread at the ordinary priority, whatever the caller's own. A thread
// inherits its creator's priority on Linux, so one that has yielded (the window's) could
// otherwise never again start a receive thread that is not behind. The first call must come
// from a thread at the ordinary priority: it starts the one thread that starts the others.
std::thread StartAtOrdinaryPriority(std::function<void()> body);

// Names the calling thread for the system's tools (top -H, gdb); at most 15 characters are
// kept. Does nothing where the system has no such name.
void NameThisThread(const char* name);
