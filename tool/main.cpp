// razivavu: cuts a panorama into texture tiles. See tool/tiletool.h.
#include "tool/tiletool.h"
#include "vxsystem/vxsystem.h"

int main(int argc, char** argv) {
    return run_command(run_tool, argc, argv, "ERROR: ", EXIT_NO_MEMORY);
}
