// Bridges the application's UTF-8 texts (with "\r" line breaks) to Qt strings.
#pragma once

#include "core/TextUtils.h"
#include "core/Translate.h"

#include <QString>
#include <string>

inline QString QS(const std::string& s) {
    return QString::fromStdString(zorb::MessageLines(s));
}
inline QString TrQ(const char* s) {
    return QS(zorb::Tr(s));
}
inline std::string StdS(const QString& s) {
    return s.toStdString();
}
