// A process-wide request to stop the long operation under way: Ctrl+C in zorb-cli, the progress window's
// "Отмена". Setting it is async-signal-safe; operations poll it at their check points, stop, clean up and raise.
#pragma once

namespace zorb {

void RequestCancel();
bool CancelRequested();
void ResetCancel();

// Marks a stretch of work that polls the request; outside one, an interrupt ends the process as usual.
class TCancellableScope {
public:
    TCancellableScope();
    ~TCancellableScope();
    TCancellableScope(const TCancellableScope&) = delete;
    TCancellableScope& operator=(const TCancellableScope&) = delete;
};
bool InCancellableScope();

// Ctrl+C (or a TERM) inside cancellable work asks that work to stop and clean up (a download deletes its partial
// file, then fails); anywhere else, or a second time, the signal ends the process as usual.
void InstallInterruptHandler();

} // namespace zorb
