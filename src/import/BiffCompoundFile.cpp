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
        throw OperationError(QStringLiteral("文件不是 Excel 工作簿：无法读取。"));
    GError* error = nullptr;
    InfilePtr dir(gsf_infile_msole_new(input.get(), &error));
    if (error)
        g_error_free(error);
    if (!dir)
        throw OperationError(QStringLiteral("文件不是 Excel 工作簿：不是 .xls 文件的格式。"));

    InputPtr stream = childNamed(dir.get(), "Workbook");
    if (!stream) {
        if (childNamed(dir.get(), "Book"))
            throw OperationError(QStringLiteral("工作簿是无法读取的旧版格式；请在 Excel 中另存为“Excel 97-2003 工作簿”后重新导入。"));
        throw OperationError(QStringLiteral("文件不是 Excel 工作簿：其中没有工作簿数据。"));
    }
    const gsf_off_t size = gsf_input_size(stream.get());
    // No order report comes near this; a bigger claim is a damaged directory.
    if (size < 0 || size > gsf_off_t(256) * 1024 * 1024 || size > gsf_off_t(fileBytes.size()))
        throw OperationError(QStringLiteral("工作簿已损坏：其中记载的数据大小 %1 字节不可能成立。").arg(qint64(size)));
    QByteArray data(qsizetype(size), Qt::Uninitialized);
    if (size > 0 && !gsf_input_read(stream.get(), size_t(size), reinterpret_cast<guint8*>(data.data())))
        throw OperationError(QStringLiteral("工作簿已损坏：数据无法完整读出。"));
    return data;
}

}  // namespace kx
