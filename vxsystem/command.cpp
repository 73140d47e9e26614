// The frame around each command's run: the ".part" cleanup on signals, and
// one clear ending for an allocation that fails anywhere in the run.
#include <cstdio>
#include <new>

#include "vxsystem/vxsystem.h"

int run_command(int (*run)(int, char**), int argc, char** argv, const char* prefix,
                int no_memory_code) {
    install_part_file_cleanup();
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        // Nothing here may need memory: plain stream calls on unbuffered
        // standard error.
        remove_part_files();
        std::fflush(stdout);
        std::fputs(prefix, stderr);
        std::fputs("not enough memory; the run stops here and leaves no unfinished file\n", stderr);
        return no_memory_code;
    }
}
