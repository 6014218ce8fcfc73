#include "core/Errors.h"

#include "core/Translate.h"

#include <new>

namespace zorb {

std::string ErrorText(const std::exception& e) {
    // The library's own text of an allocation failure means nothing to a user.
    if (dynamic_cast<const std::bad_alloc*>(&e)) return Tr("Недостаточно памяти для выполнения команды.");
    return e.what();
}

} // namespace zorb
