// The one exception type of the system: carries a user-readable message in the system's words.
#pragma once

#include <stdexcept>
#include <string>

namespace zorb {

class EZorbError : public std::runtime_error {
public:
    explicit EZorbError(const std::string& message) : std::runtime_error(message) {}
};

// The text of any exception, for the "message\r\r%s" pattern of the action handlers.
std::string ErrorText(const std::exception& e);

} // namespace zorb
