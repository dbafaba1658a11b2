#pragma once

#include <QByteArray>
#include <QString>

namespace kx {

// The GBK code page (code page 936), for the steps that work on bytes: the
// address tidy and the spreadsheet export.
namespace Gbk {

// The text in GBK. A character GBK cannot hold becomes one "?" byte, so the
// result is always valid GBK of one or two bytes per character.
QByteArray encode(QStringView text);
// The same bytes appended to `out`, for a writer that puts many texts into
// one buffer.
void appendEncoded(QStringView text, QByteArray& out);

// GBK bytes as text; a byte sequence that is not GBK becomes U+FFFD.
QString decode(QByteArrayView bytes);

}  // namespace Gbk
}  // namespace kx
