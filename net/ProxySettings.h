// The PROXY section of the settings file.
#pragma once

#include "net/Http.h"

#include <string>

namespace zorb {

// A missing ProxyMode is 2 when a server is named, else 0.
TProxy LoadProxy(const std::string& iniPath);
void SaveProxy(const std::string& iniPath, const TProxy& proxy);

} // namespace zorb
