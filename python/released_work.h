// Long work off the Python interpreter: the GIL is released while it runs, so other Python
// threads go on, and Ctrl-C still reaches it.
#pragma once

#include <functional>

#include <tbb/task_group.h>

// Runs work(context) on a helper thread, inside a task arena of `threads` threads (0: every
// core), while the calling thread waits without the GIL. The work runs as a task of `context`,
// so the parallel algorithms it starts belong to it. Every 50 ms the calling thread takes the
// GIL back to run Python's signal handlers; when one raises (KeyboardInterrupt), `context` is
// cancelled, which stops those algorithms early, the work is waited for, and the Python
// exception is thrown as pybind11::error_already_set. Exceptions of the work are rethrown here.
// Call with the GIL held.
void RunWithoutGil(int threads, const std::function<void(tbb::task_group_context&)>& work);
