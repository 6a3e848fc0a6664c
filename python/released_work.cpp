#include "python/released_work.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include <pybind11/pybind11.h>
#include <tbb/task_arena.h>

namespace {

// How often a waiting caller looks for signals: short enough that Ctrl-C feels immediate.
constexpr std::chrono::milliseconds kSignalPoll{50};

// The shared state of one run; the helper thread and the caller meet only through it.
struct Run {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool cancelled = false;
    tbb::task_group_context* context = nullptr;  // set while the work runs
    std::exception_ptr error;

    void Cancel() {
        std::lock_guard lock(mutex);
        cancelled = true;
        if (context) context->cancel_group_execution();
    }
};

// Gives the GIL up for its lifetime; unlike pybind11's guard it can take it back for a moment.
class GilReleased {
public:
    GilReleased() : state_(PyEval_SaveThread()) {}
    ~GilReleased() { PyEval_RestoreThread(state_); }
    GilReleased(const GilReleased&) = delete;
    GilReleased& operator=(const GilReleased&) = delete;

    // Runs Python's signal handlers with the GIL held; false when one raised.
    bool CheckSignals() {
        PyEval_RestoreThread(state_);
        const bool ok = PyErr_CheckSignals() == 0;
        state_ = PyEval_SaveThread();
        return ok;
    }

private:
    PyThreadState* state_;
};

}  // namespace

void RunWithoutGil(int threads, const std::function<void(tbb::task_group_context&)>& work) {
    Run run;
    bool interrupted = false;
    {
        GilReleased released;
        std::thread helper([&run, &work, threads] {
            try {
                tbb::task_arena arena(threads > 0 ? threads : tbb::task_arena::automatic);
                tbb::task_group_context context;
                {
                    std::lock_guard lock(run.mutex);
                    run.context = &context;
                    if (run.cancelled) context.cancel_group_execution();
                }
                try {
                    arena.execute([&] {
                        tbb::task_group group(context);
                        group.run_and_wait([&] { work(context); });
                    });
                } catch (...) {
                    run.error = std::current_exception();
                }
                std::lock_guard lock(run.mutex);
                run.context = nullptr;
            } catch (...) {
                run.error = std::current_exception();
            }
            std::lock_guard lock(run.mutex);
            run.done = true;
            run.finished.notify_all();
        });
        std::unique_lock lock(run.mutex);
        while (!run.finished.wait_for(lock, kSignalPoll, [&] { return run.done; })) {
            lock.unlock();
            if (!interrupted && !released.CheckSignals()) {
                interrupted = true;
                run.Cancel();
            }
            lock.lock();
        }
        lock.unlock();
        helper.join();
    }
    // The exception a signal handler raised is still set; it wins over whatever the
    // cancelled work ended with.
    if (interrupted) throw pybind11::error_already_set();
    if (run.error) std::rethrow_exception(run.error);
}
