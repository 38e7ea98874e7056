// tessaly-reader: the editor's reader process (export mode).
#include <unistd.h>

#include <cstdio>
#include <string_view>

#include "reader_helper/export_mode.h"

#if defined(__SANITIZE_ADDRESS__)
// A leak report at exit would turn every export into a failure; the process ends right after it.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0:allocator_may_return_null=0:max_allocation_size_mb=3072:"
           "hard_rss_limit_mb=3072";
}
#endif

int main(int argc, char** argv) {
    // Nothing of the editor's reaches the exporters but the request on standard input.
    close_range(3, ~0U, 0);
    const std::string_view mode = argc > 1 ? argv[1] : "";
    if (mode == "export") {
        return runExportMode(argc, argv);
    }
    std::fprintf(stderr, "usage: tessaly-reader export CPU_SECONDS ADDRESS_MEGABYTES < REQUEST\n");
    return 2;
}
