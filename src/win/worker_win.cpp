#include "win/worker_win.h"

#include <memory>

namespace quellar::win {

namespace {

struct WorkerJob {
    std::function<void()> work;
    HWND window;
    UINT message;
    WPARAM wParam;
};

DWORD WINAPI runWorkerJob(LPVOID parameter) {
    const std::unique_ptr<WorkerJob> job(static_cast<WorkerJob*>(parameter));
    job->work();
    PostMessageA(job->window, job->message, job->wParam, 0);
    return 0;
}

}  // namespace

bool runOnWorker(std::function<void()> work, HWND window, UINT message, WPARAM wParam) {
    auto job = std::make_unique<WorkerJob>(WorkerJob{std::move(work), window, message, wParam});
    HANDLE thread = CreateThread(nullptr, 0, runWorkerJob, job.get(), 0, nullptr);
    if (!thread) return false;
    job.release();  // the thread owns it now
    CloseHandle(thread);
    return true;
}

bool JoinableWork::start(std::function<void()> work) {
    if (thread_) return false;
    work_ = std::move(work);
    thread_ = CreateThread(nullptr, 0, &JoinableWork::run, &work_, 0, nullptr);
    return thread_ != nullptr;
}

DWORD WINAPI JoinableWork::run(LPVOID work) {
    (*static_cast<std::function<void()>*>(work))();
    return 0;
}

void JoinableWork::wait() {
    if (!thread_) return;
    while (MsgWaitForMultipleObjects(1, &thread_, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // answers the sent ones
    }
    CloseHandle(thread_);
    thread_ = nullptr;
    work_ = nullptr;
}

}  // namespace quellar::win
