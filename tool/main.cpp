// razivavu: cuts a panorama into texture tiles. See tool/tiletool.h.
#include "tool/tiletool.h"

int main(int argc, char** argv) { return run_tool(argc, argv); }
