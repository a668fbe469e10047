#pragma once

// Puts the calling thread behind the process's other threads when the processor is short, so
// that a thread whose delay loses data (the link's receive thread) gets it first. An ordinary
// process may lower a thread's priority but not raise one. Errors are ignored: the thread then
// runs at the ordinary priority.
void YieldToOtherThreads();
