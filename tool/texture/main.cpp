// razivavu-texture: see tool/texture/texture.h.
#include "texture/texture.h"

int main(int argc, char** argv) { return run_texture(argc, argv); }
