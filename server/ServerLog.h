// zorb-server's log: one line per event on stderr. Under systemd (JOURNAL_STREAM set) each line starts with the
// "<N>" priority prefix the journal reads and carries no time of its own; elsewhere the line starts with the
// local time and the level word.
#pragma once

#include <functional>
#include <string>

namespace zorb::server {

enum class TLogLevel { Error = 3, Warning = 4, Info = 6 };

void Log(TLogLevel level, const std::string& text);

// Replaces the output (tests read what was logged); an empty function restores stderr.
void SetLogSink(std::function<void(TLogLevel, const std::string&)> sink);

} // namespace zorb::server
