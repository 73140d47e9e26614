// razivavu-texture: see tool/texture/texture_cmd.h.
#include "tool/texture/texture_cmd.h"

int main(int argc, char** argv) { return run_texture(argc, argv); }
