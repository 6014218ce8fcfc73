#include "core/Errors.h"

namespace zorb {

std::string ErrorText(const std::exception& e) {
    return e.what();
}

} // namespace zorb
