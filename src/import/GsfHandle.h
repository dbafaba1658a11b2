#pragma once

// The container library's headers come first: they pull in GLib, whose
// structs use names that Qt's keywords would otherwise rewrite.
#include <gsf/gsf.h>

#include <QByteArray>

#include <memory>
#include <mutex>

namespace kx::gsf {

// libgsf hands out GObjects; these release them however a read ends.
struct Unref {
    void operator()(gpointer p) const
    {
        if (p)
            g_object_unref(p);
    }
};
using InputPtr = std::unique_ptr<GsfInput, Unref>;
using InfilePtr = std::unique_ptr<GsfInfile, Unref>;

// The library is set up once per program, whichever reader comes first.
inline void init()
{
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        // A damaged container makes the library complain on the terminal
        // before its read fails; the failure itself reaches the user as our
        // error, so the complaints are dropped.
        g_log_set_handler("libgsf:msole", GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING),
                          [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    });
}

// A container read straight from the caller's bytes (no copy), so they must
// outlive the returned objects.
inline InputPtr memoryInput(const QByteArray& bytes)
{
    init();
    return InputPtr(
        gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.constData()), gsf_off_t(bytes.size()), FALSE));
}

}  // namespace kx::gsf
