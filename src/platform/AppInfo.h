#pragma once

#include <QString>

namespace kx {

// The application title: taskbar, and the caption of plain message boxes.
inline const QString appTitle = QStringLiteral("Kestrix快递单打印软件");

// The maker: its web site (help, instructions, the link labels), its e-mail
// and the support contact number that ends the messages asking the user to
// call for help.
inline const QString makerSite = QStringLiteral("http://www.kestrix.cn");
inline const QString makerEmail = QStringLiteral("support@kestrix.cn");
inline const QString supportContact = QStringLiteral("800061507");

}  // namespace kx
