// The core's Windows-1252 texts at the edge to Qt.
#pragma once

#include <QString>

#include "base/cp1252.h"

namespace vek::ui {

inline QString ToQt(std::string_view cp1252) { return QString::fromStdString(Cp1252ToUtf8(cp1252)); }
inline Text FromQt(const QString& s) { return Utf8ToCp1252(s.toStdString()); }

}  // namespace vek::ui
