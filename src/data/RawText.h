#pragma once

#include <QByteArray>
#include <QMetaType>

namespace kx {

// A stored text exactly as its bytes stand, for a statement parameter: a text
// that is not well-formed UTF-8 reads back with replacement characters, and
// only its own bytes match it again in a where clause.
struct RawText {
    QByteArray bytes;
};

}  // namespace kx

Q_DECLARE_METATYPE(kx::RawText)
