// The progress window of long operations; only one may be open at a time.
#pragma once

#include "app/UserInterface.h"

#include <string>

namespace zorb {

class TProgress {
public:
    // Raises "Окно индикатора уже создано!" when another is open.
    TProgress(UserInterface& ui, const std::string& text, int steps, bool stopButton = false);
    ~TProgress();
    TProgress(const TProgress&) = delete;
    TProgress& operator=(const TProgress&) = delete;

    void SetText(const std::string& text);
    void Step(int steps = 1); // never beyond the maximum
    bool StopRequested();

private:
    UserInterface& FUI;
    int FSteps, FDone = 0;
    static bool FOpen;
};

} // namespace zorb
