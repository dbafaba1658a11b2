#pragma once

#include <QByteArray>

namespace kx {

// Opens the compound-document container an .xls file is and hands out its
// workbook stream. Throws DbError when the bytes are no such container, or
// hold a workbook of the older format or none at all.
class BiffCompoundFile {
public:
    static QByteArray workbookStream(const QByteArray& fileBytes);
};

}  // namespace kx
