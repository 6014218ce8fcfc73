// The execution log of a scenario run.
#pragma once

#include "combos/CombsArray.h"
#include "core/KestoUtils.h"

#include <cstdio>
#include <ctime>
#include <string>

namespace zorb {

// "ScriptLog_yyyy-mm-dd-hh-nn-ss.txt" for the given local time.
std::string ScriptLogName(std::time_t t);
// "[yyyy-mm-dd hh:nn:ss]: "
std::string ScriptLogStamp(std::time_t t);

// One buffered file, opened on the first entry and kept open until Close, so that a long test does not open
// and close the file per line. After the first write failure the log is closed and Failed() tells why once.
class TScriptLog {
public:
    ~TScriptLog() { Close(); }
    void Start(const std::string& path); // names the file; opened (appending) on the first entry
    bool Active() const { return !FPath.empty(); }
    const std::string& Path() const { return FPath; }
    // False on the write that failed; the error text is then in LastError.
    bool Write(const std::string& text);
    // Flushes and closes; the name is kept until Forget. False when the flush failed (the log then stops).
    bool Close();
    bool Forget() {
        const bool ok = Close();
        FPath.clear();
        return ok;
    }
    const std::string& LastError() const { return FError; }

private:
    std::string FPath, FError;
    std::FILE* FFile = nullptr;
    std::time_t FStampTime = -1;
    std::string FStamp;
};

} // namespace zorb
