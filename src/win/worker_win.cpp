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

}  // namespace quellar::win
