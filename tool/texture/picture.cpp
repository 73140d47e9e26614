// The picture: razivavu's loaders (by the name's last three characters, a
// companion alpha file giving R, G, B, A), then the bytes reordered to blue
// first, the order of the stream layouts.
#include <cerrno>
#include <new>

#include "imageio/imageio.h"
#include "texture/texture.h"
#include "tool/tiletool.h"
#include "vxsystem/vxsystem.h"

std::string load_texture_picture(const std::string& path, TexturePicture& out) {
    const PictureKind kind = picture_kind(path);
    if (kind == PictureKind::unknown) return path + ": not a .bmp, .jpg, .png or .tif file";
    const int64_t size = file_size(path.c_str());  // 64 bits: pictures pass 4 GiB
    if (size < 0) return "cannot read " + path + ": " + open_failure_text(errno);
    if (size == 0) return path + " is empty";
    LoadedImage image;
    image.name = path;
    LoadResult loaded;
    if (kind == PictureKind::bmp) loaded = load_bmp(image, size, 3, 1);
    if (kind == PictureKind::jpeg) loaded = load_jpeg(image);
    if (kind == PictureKind::png) loaded = load_png(image);
    if (kind == PictureKind::tiff) loaded = load_tiff(image);
    if (!loaded.ok())
        return path + ": " + loaded.reason + " (see vx.log)" + picture_kind_note(path);
    // The JPEG loader leaves `planes` alone (razivavu reads its pixels as
    // R, G, B without asking); its rows are always three bytes a pixel.
    if (kind == PictureKind::jpeg) image.planes = 3;
    if (image.planes != 3 && image.planes != 4)
        return path + ": a picture of " + std::to_string(image.planes) + " bytes per pixel";
    out = TexturePicture{};
    out.width = image.width;
    out.height = image.height;
    out.planes = image.planes;
    const size_t pixels = static_cast<size_t>(image.width) * image.height;
    try {
        out.pixels.resize(pixels * image.planes);
    } catch (const std::bad_alloc&) {
        return "out of memory";
    }
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* s = image.pixels + i * image.planes;
        uint8_t* d = out.pixels.data() + i * image.planes;
        d[0] = s[2];
        d[1] = s[1];
        d[2] = s[0];
        if (image.planes == 4) d[3] = s[3];
    }
    return "";
}
