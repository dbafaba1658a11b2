// GLib's headers first: Qt's keywords would rewrite names in them.
#include <gsf/gsf.h>

#include "WorkbookFiles.h"

#include <QFile>

namespace kx::test {

QByteArray fixtureBytes(const QString& name)
{
    QFile f(QStringLiteral(KX_FIXTURES_DIR "/") + name);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return f.readAll();
}

QByteArray compoundDocument(const QList<std::pair<QByteArray, QByteArray>>& streams)
{
    gsf_init();
    GsfOutput* sink = gsf_output_memory_new();
    GsfOutfile* dir = gsf_outfile_msole_new(sink);
    for (const auto& [name, stream] : streams) {
        GsfOutput* child = gsf_outfile_new_child(dir, name.constData(), FALSE);
        gsf_output_write(child, size_t(stream.size()), reinterpret_cast<const guint8*>(stream.constData()));
        gsf_output_close(child);
        g_object_unref(child);
    }
    gsf_output_close(GSF_OUTPUT(dir));
    g_object_unref(dir);
    const QByteArray bytes(reinterpret_cast<const char*>(gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink))),
                           qsizetype(gsf_output_size(sink)));
    g_object_unref(sink);
    return bytes;
}

}  // namespace kx::test
