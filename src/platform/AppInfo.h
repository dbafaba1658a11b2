#pragma once

#include <QString>

namespace kx {

// The application title: taskbar, and the caption of plain message boxes.
inline const QString appTitle = QStringLiteral("Kestrix快递单打印软件");

}  // namespace kx
