// razivavu-inspect: see tool/inspect/inspect.h.
#include "inspect/inspect.h"
#include "vxsystem/vxsystem.h"

int main(int argc, char** argv) {
    return run_command(run_inspect, argc, argv, "razivavu-inspect: ", INSPECT_NO_MEMORY);
}
