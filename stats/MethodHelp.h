// Description pages of the statistic methods: one HTML page per help code ("Filters_1049_NUMS.htm"), made from
// the registry so that every registered method has one.
#pragma once

#include <string>

namespace zorb {

class TStatList;

std::string HelpPageName(const TStatList& list, int entry); // "Filters_1049_<help code>.htm"
std::string MethodHelpPage(const TStatList& list, int entry);
// Writes the page of every registered method into `dir` (created when missing); returns how many were written.
int WriteHelpPages(const TStatList& list, const std::string& dir);

} // namespace zorb
