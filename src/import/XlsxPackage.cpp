// The container library's headers come first: they pull in GLib, whose
// structs use names that Qt's keywords would otherwise rewrite.
#include "import/GsfHandle.h"

#include "import/XlsxPackage.h"

#include "core/OperationError.h"

#include <QStringList>

#include <algorithm>
#include <memory>

namespace kx {

namespace {

using gsf::InfilePtr;
using gsf::InputPtr;
using gsf::memoryInput;

InputPtr childNamed(GsfInfile* dir, const QString& name)
{
    const int n = gsf_infile_num_children(dir);
    for (int i = 0; i < n; ++i) {
        const char* child = gsf_infile_name_by_index(dir, i);
        if (child && QString::fromUtf8(child).compare(name, Qt::CaseInsensitive) == 0)
            return InputPtr(gsf_infile_child_by_index(dir, i));
    }
    return nullptr;
}

bool isCompoundDocument(const QByteArray& bytes)
{
    static const QByteArray magic("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    return bytes.startsWith(magic);
}

// A compound document given as .xlsx: Excel keeps a password-protected
// workbook that way (the real zip sits encrypted in a stream of its own).
[[noreturn]] void refuseCompoundDocument(const QByteArray& bytes)
{
    InputPtr input = memoryInput(bytes);
    GError* error = nullptr;
    InfilePtr dir(input ? gsf_infile_msole_new(input.get(), &error) : nullptr);
    if (error)
        g_error_free(error);
    if (dir && childNamed(dir.get(), QStringLiteral("EncryptedPackage")))
        throw OperationError(QStringLiteral("Workbook is encrypted; remove its password and import it again."));
    throw OperationError(QStringLiteral("File is not an .xlsx workbook: it is a compound document."));
}

InfilePtr openZip(InputPtr& input, const QByteArray& bytes)
{
    input = memoryInput(bytes);
    if (!input)
        throw OperationError(QStringLiteral("File is not an .xlsx workbook: it could not be read."));
    GError* error = nullptr;
    InfilePtr zip(gsf_infile_zip_new(input.get(), &error));
    if (error)
        g_error_free(error);
    if (!zip) {
        if (isCompoundDocument(bytes))
            refuseCompoundDocument(bytes);
        throw OperationError(QStringLiteral("File is not an .xlsx workbook: it is not a zip archive."));
    }
    return zip;
}

}  // namespace

XlsxPackage::XlsxPackage(QByteArray fileBytes) : m_file(std::move(fileBytes))
{
    InputPtr input;
    openZip(input, m_file);
}

namespace {

// One part of the container, unpacked as it is read. A reader that stops
// early (a part refused halfway) never unpacks the rest, and a part is
// never held whole in memory by the one who streams it.
class PartDevice : public QIODevice {
public:
    PartDevice(InputPtr input, InfilePtr zip, InfilePtr dir, InputPtr part, QString path)
        : m_input(std::move(input)), m_zip(std::move(zip)), m_dir(std::move(dir)), m_part(std::move(part)),
          m_path(std::move(path)), m_size(gsf_input_size(m_part.get()))
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return true; }
    // A part whose packing broke has nothing more to give: the XML reader
    // must see its end, not wait for more.
    qint64 bytesAvailable() const override { return m_failed ? 0 : m_size - m_read + QIODevice::bytesAvailable(); }
    bool atEnd() const override { return m_failed || m_read >= m_size; }
    bool failed() const { return m_failed; }
    const QString& path() const { return m_path; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        // Never past the size the container states, which the caller checked.
        const qint64 n = std::min(maxSize, m_size - m_read);
        if (n <= 0 || m_failed)
            return m_failed ? -1 : 0;
        if (!gsf_input_read(m_part.get(), size_t(n), reinterpret_cast<guint8*>(data))) {
            m_failed = true;
            return -1;
        }
        m_read += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    // Kept in this order: the part reads through its folder, the zip and
    // the bytes below them.
    InputPtr m_input;
    InfilePtr m_zip;
    InfilePtr m_dir;
    InputPtr m_part;
    QString m_path;
    qint64 m_size = 0;
    qint64 m_read = 0;
    bool m_failed = false;
};

}  // namespace

std::unique_ptr<QIODevice> XlsxPackage::openIfPresent(const QString& path) const
{
    InputPtr input;
    InfilePtr zip = openZip(input, m_file);

    // Walk down the folders; the last name is the part itself.
    const QStringList names = path.split(u'/', Qt::SkipEmptyParts);
    if (names.isEmpty())
        return nullptr;
    InfilePtr dir;
    GsfInfile* at = zip.get();
    InputPtr part;
    for (qsizetype i = 0; i < names.size(); ++i) {
        InputPtr child = childNamed(at, names[i]);
        if (!child)
            return nullptr;
        if (i + 1 == names.size()) {
            part = std::move(child);
        } else {
            if (!GSF_IS_INFILE(child.get()) || gsf_infile_num_children(GSF_INFILE(child.get())) < 0)
                return nullptr;
            dir.reset(GSF_INFILE(child.release()));
            at = dir.get();
        }
    }
    if (GSF_IS_INFILE(part.get()) && gsf_infile_num_children(GSF_INFILE(part.get())) >= 0)
        return nullptr;  // a folder of that name, not a part

    // The size is the container's claim for the inflated part; reading never
    // goes past it, so checking the claim caps what a part can cost.
    const gsf_off_t size = gsf_input_size(part.get());
    if (size < 0)
        throw OperationError(QStringLiteral("Workbook is damaged: the size of %1 cannot be read.").arg(path));
    if (size > MaxPartSize)
        throw OperationError(QStringLiteral("Workbook is damaged: %1 would unpack to %2 MB, more than any order report holds.")
                          .arg(path)
                          .arg(qint64(size) / (1024 * 1024)));
    return std::make_unique<PartDevice>(std::move(input), std::move(zip), std::move(dir), std::move(part), path);
}

void XlsxPackage::checkReadToEnd(const QIODevice& device)
{
    const auto* part = dynamic_cast<const PartDevice*>(&device);
    if (part && part->failed())
        throw OperationError(QStringLiteral("Workbook is damaged: %1 cannot be unpacked to its end.").arg(part->path()));
}

std::optional<QByteArray> XlsxPackage::readIfPresent(const QString& path) const
{
    const std::unique_ptr<QIODevice> part = openIfPresent(path);
    if (!part)
        return std::nullopt;
    // Grow with what really inflates rather than with the claim, which a
    // damaged archive can overstate.
    constexpr qint64 Chunk = 1024 * 1024;
    QByteArray data;
    while (part->bytesAvailable() > 0) {
        const qsizetype done = data.size();
        const qsizetype n = qsizetype(std::min<qint64>(Chunk, part->bytesAvailable()));
        data.resize(done + n);
        if (part->read(data.data() + done, n) != n)
            throw OperationError(QStringLiteral("Workbook is damaged: %1 cannot be unpacked to its end.").arg(path));
    }
    return data;
}

QByteArray XlsxPackage::read(const QString& path) const
{
    std::optional<QByteArray> data = readIfPresent(path);
    if (!data)
        throw OperationError(QStringLiteral("Workbook is damaged: it has no part %1.").arg(path));
    return *std::move(data);
}

}  // namespace kx
