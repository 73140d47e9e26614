// razivavu-inspect: see tool/inspect/inspect.h.
#include "inspect/inspect.h"

int main(int argc, char** argv) { return run_inspect(argc, argv); }
