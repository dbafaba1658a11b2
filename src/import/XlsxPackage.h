#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <memory>
#include <optional>

namespace kx {

// The zip container an .xlsx workbook is. Parts are named by their path in
// the container ("xl/workbook.xml") and matched without regard to case, as
// the packaging rules ask. A part is read whole, but never past
// MaxPartSize: a small file that would inflate to gigabytes is refused
// instead of filling memory.
class XlsxPackage {
public:
    // Far above any order report: 65536 rows of 256 cells stay well below it.
    static constexpr qint64 MaxPartSize = qint64(256) * 1024 * 1024;

    // Throws DbError when the bytes are no zip archive. A compound document
    // is refused with its own message: that is what a password-protected
    // .xlsx is, and what an Excel 97-2003 file is.
    explicit XlsxPackage(QByteArray fileBytes);

    // The part's bytes, or nothing when the container has no such part;
    // throws DbError when the part is too large or cannot be read to its end.
    std::optional<QByteArray> readIfPresent(const QString& path) const;
    // The same, but a missing part throws DbError too.
    QByteArray read(const QString& path) const;

    // The part as a device that unpacks it as it is read, or null when the
    // container has no such part; throws DbError when the part is too large.
    // A reader that stops early never unpacks the rest. The device must not
    // outlive the package.
    std::unique_ptr<QIODevice> openIfPresent(const QString& path) const;
    // Throws DbError when a device of openIfPresent() met damaged packing:
    // what it gave up to there is all a reader saw.
    static void checkReadToEnd(const QIODevice& device);

private:
    QByteArray m_file;
};

}  // namespace kx
