#include "cli/CliInterface.h"

#include "app/DrawDialog.h"
#include "app/StakeDialog.h"
#include "core/Errors.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "stakes/StakeRecord.h"

#include <ostream>

namespace zorb {

void TCliInterface::ShowMessage(TMsgBox box, const std::string& text) {
    if (box == TMsgBox::Info) {
        FOut << MessageLines(text) << '\n';
        return;
    }
    if (box == TMsgBox::Error) FErrorShown = true;
    FErr << MessageLines(text) << '\n';
}

bool TCliInterface::AskYesNo(TMsgBox, const std::string&) {
    return FAnswer;
}

bool TCliInterface::EditDraw(TDrawRec& draw) {
    if (!FDrawInput) return false;
    TDrawRec r = draw;
    if (FDrawInput->Number) {
        int32_t n;
        if (!TryStrToInt(Trim(*FDrawInput->Number), n) || n < 1) {
            ShowMessage(TMsgBox::Error, Format(Tr("Некорректный номер тиража: %s (допустимо от 1 до %d)"),
                                               *FDrawInput->Number, MaxDrawNumber));
            return false;
        }
        r.Draw = n;
    }
    if (!ParseDrawNumbers(FDrawInput->Numbers, r.Numbers)) {
        ShowMessage(TMsgBox::Error, Tr(MsgBadDrawComb));
        return false;
    }
    try {
        TDateTime d = FDrawInput->Date ? ParseDate(*FDrawInput->Date) : Today();
        if (d <= 0) d = Today();
        r.SetDate(FormatDate(d));
    } catch (const std::exception& e) {
        ShowMessage(TMsgBox::Error, ErrorText(e));
        return false;
    }
    draw = r;
    return true;
}

bool TCliInterface::EditStake(TStakeRecord& record, int& drawCount) {
    if (!FStakeInput) return false;
    TStakeRecord r = record;
    if (FStakeInput->Draw) {
        int32_t n;
        if (!TryStrToInt(Trim(*FStakeInput->Draw), n) || n < 1) {
            ShowMessage(TMsgBox::Error, Format(Tr("Некорректный номер тиража: %s (допустимо от 1 до %d)"),
                                               *FStakeInput->Draw, MaxDrawNumber));
            return false;
        }
        r.DrawNumber = n;
    }
    if (FStakeInput->Count < 1 || FStakeInput->Count > MaxStakeDraws) {
        ShowMessage(TMsgBox::Error, Format(Tr("Некорректное количество тиражей: %d (допустимо от 1 до %d)"),
                                           FStakeInput->Count, MaxStakeDraws));
        return false;
    }
    if (!ParseStakeNumbers(FStakeInput->Numbers, r.Numbers)) {
        ShowMessage(TMsgBox::Error, Tr(MsgBadDrawComb));
        return false;
    }
    r.Comment = Trim(FStakeInput->Comment);
    if (r.Comment.empty()) {
        ShowMessage(TMsgBox::Error, Tr("Необходимо ввести комментарий!"));
        return false;
    }
    record = r;
    drawCount = FStakeInput->Count;
    return true;
}

void TCliInterface::ProgressOpen(const std::string& text, int steps, bool) {
    FProgressText = text;
    FProgressSteps = steps;
    FProgressDone = 0;
    if (FShowProgress) FErr << MessageLines(text) << '\n';
}

void TCliInterface::ProgressStep(int steps) {
    FProgressDone += steps;
    if (FShowProgress && FProgressSteps > 0)
        FErr << Format("\r%s %d/%d", FProgressText, FProgressDone, FProgressSteps) << std::flush;
}

void TCliInterface::ProgressClose() {
    if (FShowProgress && FProgressSteps > 0) FErr << '\n';
}

void TCliInterface::SetStatusPanel(int panel, const std::string& text) {
    // Panel 5 also holds the ratings count, which is no notice.
    std::string ratings = Tr("Рейтинг: %d");
    ratings = ratings.substr(0, ratings.find("%d"));
    if (panel == 5 && !text.empty() && text.rfind(ratings, 0) != 0) FErr << MessageLines(text) << '\n';
}

} // namespace zorb
