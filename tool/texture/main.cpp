// razivavu-texture: see tool/texture/texture.h.
#include "texture/texture.h"
#include "vxsystem/vxsystem.h"

int main(int argc, char** argv) {
    return run_command(run_texture, argc, argv, "razivavu-texture: ", TEXTURE_NO_MEMORY);
}
