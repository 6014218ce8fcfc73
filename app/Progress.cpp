#include "app/Progress.h"

#include "core/Errors.h"
#include "core/Translate.h"

#include <algorithm>

namespace zorb {

bool TProgress::FOpen = false;

TProgress::TProgress(UserInterface& ui, const std::string& text, int steps, bool stopButton)
    : FUI(ui), FSteps(std::max(steps, 0)) {
    if (FOpen) throw EZorbError(Tr("Окно индикатора уже создано!"));
    FOpen = true;
    FUI.ProgressOpen(text, FSteps, stopButton);
}

TProgress::~TProgress() {
    FUI.ProgressClose();
    FOpen = false;
}

void TProgress::SetText(const std::string& text) {
    FUI.ProgressSetText(text);
}

void TProgress::Step(int steps) {
    const int n = std::clamp(steps, 0, FSteps - FDone);
    FDone += n;
    FUI.ProgressStep(n);
}

bool TProgress::StopRequested() {
    return FUI.ProgressStopRequested();
}

} // namespace zorb
