#include "update/http_client_win32.h"

#include <map>
#include <mutex>

#include "update/http_transfer_job_win32.h"
#include "update/transfer_rules.h"
#include "update/transfer_sync_window_win32.h"

namespace melkrin::update {

DWORD WINAPI Win32HttpTransfer::threadMain(void* parameter) {
    // The thread's own reference keeps the job alive until it ends.
    std::unique_ptr<std::shared_ptr<TransferJob>> holder(static_cast<std::shared_ptr<TransferJob>*>(parameter));
    TransferJob& job = **holder;
    try {
        job.transfer();
    } catch (const StopRequested&) {
        job.endOnStop();
        return 0;
    } catch (...) {
        // Whatever failed, the completion below still reports the transfer.
    }
    if (job.stop) {
        job.endOnStop();
        return 0;
    }
    bool completed = false;
    // From here on the stall watch has nothing more to watch.
    ++job.inNotification;
    TransferSyncWindow::run(job.syncWindow, &job.stop, [&job, &completed] {
        completed = true;
        try {
            job.complete();
        } catch (...) {
            job.workerActive = false;
            throw;
        }
        job.workerActive = false;
    });
    // Stopped while the completion waited for its turn: end silently.
    if (!completed) job.endOnStop();
    return 0;
}

Win32HttpTransfer::Win32HttpTransfer() { syncWindow_ = TransferSyncWindow::acquire(); }

Win32HttpTransfer::~Win32HttpTransfer() {
    stopWatch();
    stopTransfer(false);
    for (HANDLE worker : workers_) {
        // A stopped worker never touches this client again, so one that the
        // network still holds may end on its own after a short wait.
        TransferSyncWindow::waitRunningRoutines(worker, 2000);
        CloseHandle(worker);
    }
    TransferSyncWindow::release();
}

void Win32HttpTransfer::reapWorkers() {
    std::vector<HANDLE> running;
    for (HANDLE worker : workers_) {
        if (WaitForSingleObject(worker, 0) == WAIT_OBJECT_0) CloseHandle(worker);
        else running.push_back(worker);
    }
    workers_ = std::move(running);
}

std::size_t Win32HttpTransfer::liveWorkers() {
    reapWorkers();
    return workers_.size();
}

bool Win32HttpTransfer::startTransfer(const std::string& url, const std::string& outputFileName,
                                      TransferReceiver receiver) {
    if (isBusy()) return false;
    reapWorkers();
    auto job = std::make_shared<TransferJob>();
    job->owner = this;
    job->syncWindow = syncWindow_;
    job->url = url;
    job->outputFileName = outputFileName;
    job->proxy = proxy;
    job->flags = requestFlagsFor(cacheOptions, internetOptions, false);
    job->bufferSize = transferBufferSize < kLeastReadBlock ? kLeastReadBlock : transferBufferSize;
    job->sizer = ReadSizer(job->bufferSize);
    job->timeouts = timeouts;
    job->username = httpUsername;
    job->password = httpPassword;
    job->acceptTypes = acceptTypes;
    job->agent = agentText;
    job->receiver = std::move(receiver);
    job->hiddenOutput = hiddenOutputFile;
    job->maxBodySize = maxBodySize;
    job->stallLimit = stallLimit;
    job->followRedirects = internetOptions.count(InternetOption::NoAutoRedirect) == 0;

    auto* parameter = new std::shared_ptr<TransferJob>(job);
    HANDLE thread = CreateThread(nullptr, 0, &Win32HttpTransfer::threadMain, parameter, CREATE_SUSPENDED, nullptr);
    if (!thread) {
        delete parameter;
        return false;
    }
    url_ = url;
    job_ = job;
    workers_.push_back(thread);
    ResumeThread(thread);
    startWatch();
    return true;
}

namespace {
// The clients whose transfers are watched, by their timer (user-interface thread only).
std::map<UINT_PTR, Win32HttpTransfer*>& watchedClients() {
    static std::map<UINT_PTR, Win32HttpTransfer*> clients;
    return clients;
}
}  // namespace

void Win32HttpTransfer::startWatch() {
    stopWatch();
    watch_.emplace(stallLimit, GetTickCount64());
    // A few looks per limit, at most one a second.
    const UINT period = stallLimit / 4 < 1000 ? (stallLimit / 4 ? stallLimit / 4 : 1) : 1000;
    watchTimer_ = SetTimer(nullptr, 0, period, &Win32HttpTransfer::watchTick);
    if (watchTimer_) watchedClients()[watchTimer_] = this;
}

void Win32HttpTransfer::stopWatch() {
    if (!watchTimer_) return;
    KillTimer(nullptr, watchTimer_);
    watchedClients().erase(watchTimer_);
    watchTimer_ = 0;
}

void CALLBACK Win32HttpTransfer::watchTick(HWND, UINT, UINT_PTR timer, DWORD) {
    const auto found = watchedClients().find(timer);
    if (found == watchedClients().end()) {
        KillTimer(nullptr, timer);
        return;
    }
    Win32HttpTransfer& client = *found->second;
    const std::shared_ptr<TransferJob> job = client.job_;
    if (!job || !job->workerActive) {
        client.stopWatch();
        return;
    }
    if (client.watch_->stalled(GetTickCount64(), job->answered, job->progressBytes, job->inNotification > 0))
        client.giveUp();
}

// The worker may sit in a network call that a server feeds a byte at a
// time, where no check point comes: the transfer ends here, on the
// user-interface thread, and the worker ends silently whenever it can.
void Win32HttpTransfer::giveUp() {
    stopWatch();
    const std::shared_ptr<TransferJob> job = job_;
    // What is left of the body cannot be handed over whole.
    job->deleteOnStop = true;
    job->stop = true;
    job->closeHandlesAside();
    job->busy = false;
    const int status = job->sharedStatus;
    const std::uint32_t size = job->sharedFileSize;
    const std::uint32_t read = fileSizeOfLength(job->progressBytes);
    std::string type;
    {
        std::lock_guard<std::mutex> guard(job->handlesLock);
        type = job->contentType;
    }
    // Like a completion: the worker counts as active until the notification
    // has returned (which may start the next transfer, with a job of its own).
    notifyEnding(job->receiver, stalledOutcome(status), status, type, size, read, "");
    job->workerActive = false;
}

void Win32HttpTransfer::stopTransfer(bool deleteOutputFile) {
    stopWatch();
    if (!job_ || !job_->workerActive) return;
    job_->deleteOnStop = deleteOutputFile;
    job_->stop = true;
    // Closing the handles wakes a worker that waits on the network; where the
    // platform does not (Wine), the worker ends at its next time-out. Either
    // way nothing of it reaches the user any more, so the client is idle now.
    job_->closeHandlesAside();
    job_->busy = false;
    job_->workerActive = false;
}

bool Win32HttpTransfer::isBusy() const { return job_ && job_->busy; }

bool Win32HttpTransfer::workerActive() const { return job_ && job_->workerActive; }

}  // namespace melkrin::update
