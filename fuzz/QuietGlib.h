#pragma once

// libgsf complains on the terminal about every damaged container it is given
// (its own log domains and plain g_printerr) before its read fails. Under the
// fuzzer that is nearly every input: the noise drowns the fuzzer's own output
// and slows it down, so the fuzz targets drop it. The program keeps its own,
// narrower silencing in import/GsfHandle.h.
#include <glib.h>

namespace kx::fuzz {

inline void quietGlib()
{
    g_log_set_default_handler([](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    g_set_printerr_handler([](const gchar*) {});
    g_set_print_handler([](const gchar*) {});
}

}  // namespace kx::fuzz
