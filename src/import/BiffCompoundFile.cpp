// The container library's headers come first: they pull in GLib, whose
// structs use names that Qt's keywords would otherwise rewrite.
#include "import/GsfHandle.h"

#include "import/BiffCompoundFile.h"

#include "core/OperationError.h"

#include <memory>

namespace kx {

namespace {

using gsf::InfilePtr;
using gsf::InputPtr;

// Streams are named case-insensitively in the container.
InputPtr childNamed(GsfInfile* dir, const char* name)
{
    const int n = gsf_infile_num_children(dir);
    for (int i = 0; i < n; ++i) {
        const char* child = gsf_infile_name_by_index(dir, i);
        if (child && g_ascii_strcasecmp(child, name) == 0)
            return InputPtr(gsf_infile_child_by_index(dir, i));
    }
    return nullptr;
}

}  // namespace

QByteArray BiffCompoundFile::workbookStream(const QByteArray& fileBytes)
{
    InputPtr input = gsf::memoryInput(fileBytes);
    if (!input)
        throw OperationError(QStringLiteral("File is not a workbook: it could not be read."));
    GError* error = nullptr;
    InfilePtr dir(gsf_infile_msole_new(input.get(), &error));
    if (error)
        g_error_free(error);
    if (!dir)
        throw OperationError(QStringLiteral("File is not a workbook: it is not a compound document."));

    InputPtr stream = childNamed(dir.get(), "Workbook");
    if (!stream) {
        if (childNamed(dir.get(), "Book"))
            throw OperationError(QStringLiteral("Workbook is in an old format that cannot be read; save it as Excel 97-2003."));
        throw OperationError(QStringLiteral("File is not a workbook: it has no workbook stream."));
    }
    const gsf_off_t size = gsf_input_size(stream.get());
    // No order report comes near this; a bigger claim is a damaged directory.
    if (size < 0 || size > gsf_off_t(256) * 1024 * 1024 || size > gsf_off_t(fileBytes.size()))
        throw OperationError(QStringLiteral("Workbook is damaged: its stream size %1 is impossible.").arg(qint64(size)));
    QByteArray data(qsizetype(size), Qt::Uninitialized);
    if (size > 0 && !gsf_input_read(stream.get(), size_t(size), reinterpret_cast<guint8*>(data.data())))
        throw OperationError(QStringLiteral("Workbook is damaged: its stream could not be read to the end."));
    return data;
}

}  // namespace kx
