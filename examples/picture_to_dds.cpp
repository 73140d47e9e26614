// picture_to_dds: loads a picture with razivavu's loaders and writes it as a
// DXT1 texture with its whole mip chain, a DDS file, through the library.
//
//   picture_to_dds INPUT OUTPUT.dds        INPUT: .bmp, .jpg/.jpeg, .png, .tif/.tiff
//
// Built against an installed razivavu with CMake (CMakeLists.txt beside it)
// or with pkg-config:
//   g++ -std=c++17 picture_to_dds.cpp $(pkg-config --cflags --libs razivavu)
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "imageio/imageio.h"
#include "texcomp/texcomp.h"

namespace {

// The loader of a file name's extension, in any case; false if none fits.
bool picture_format(const std::string& name, BandFormat& format) {
    const size_t dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (ext == "bmp")
        format = BandFormat::bmp;
    else if (ext == "jpg" || ext == "jpeg")
        format = BandFormat::jpeg;
    else if (ext == "png")
        format = BandFormat::png;
    else if (ext == "tif" || ext == "tiff")
        format = BandFormat::tiff;
    else
        return false;
    return true;
}

// The library hands the stream over in runs; a failed write is remembered.
struct Output {
    FILE* file = nullptr;
    bool failed = false;
};

int32_t write_run(int32_t count, const uint8_t* buffer, void* user) {
    Output& out = *static_cast<Output*>(user);
    if (!out.failed && std::fwrite(buffer, 1, count, out.file) != static_cast<size_t>(count))
        out.failed = true;
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: picture_to_dds INPUT OUTPUT.dds\n");
        return 2;
    }
    const std::string input = argv[1], output = argv[2];
    BandFormat format;
    if (!picture_format(input, format)) {
        std::fprintf(stderr, "%s: not a .bmp, .jpg, .png or .tif file\n", input.c_str());
        return 2;
    }

    // The whole picture, read top to bottom in one band: rows of R, G, B
    // (planes 3) or R, G, B, A (planes 4).
    PictureBands bands;
    const LoadResult opened = open_bands(bands, input, format);
    if (!opened.ok()) {
        std::fprintf(stderr, "%s: %s\n", input.c_str(), opened.reason.c_str());
        return 1;
    }
    std::vector<uint8_t> pixels(static_cast<size_t>(bands.width) * bands.height * bands.planes);
    const LoadResult read = read_band(bands, pixels.data(), bands.height);
    close_bands(bands);
    if (!read.ok()) {
        std::fprintf(stderr, "%s: %s\n", input.c_str(), read.reason.c_str());
        return 1;
    }

    // DXT1 with the library's defaults. DDS layouts store blue first, the
    // loaders give red first: the library exchanges the two as it reads.
    const std::string part = output + ".part";
    Output out;
    out.file = std::fopen(part.c_str(), "wb");
    if (!out.file) {
        std::perror(part.c_str());
        return 4;
    }
    TextureSettings settings;
    texture_settings_init(settings);
    settings.g_texture_format = static_cast<int32_t>(TextureFormat::Dxt1);
    settings.g_b_swap_rgb = 1;
    settings.write_sink = write_run;
    settings.user = &out;
    // DXT1 takes sides that are powers of two only; a photo of any other
    // size is rescaled first, each side to the nearest power of two (the
    // library's rescale mode 1, razivavu-texture's --resize pow2).
    const bool rescaled = !is_pow2(bands.width) || !is_pow2(bands.height);
    if (rescaled) settings.g_rescale_mode = 1;
    const int64_t pitch = static_cast<int64_t>(bands.width) * bands.planes;
    const int32_t result = compress_texture(pixels.data(), bands.width, bands.height, pitch,
                                            settings, bands.planes, nullptr, nullptr);
    const bool closed = std::fclose(out.file) == 0;
    if (result != TEXCOMP_OK) {
        std::fprintf(stderr, "%s: %s\n", input.c_str(), texture_result_message(result));
        std::remove(part.c_str());
        return 3;
    }
    // The file gets its name only when it is complete.
    if (out.failed || !closed || std::rename(part.c_str(), output.c_str()) != 0) {
        std::perror(output.c_str());
        std::remove(part.c_str());
        return 4;
    }
    std::printf("%s: %d x %d%s, DXT1 with its mip chain\n", output.c_str(), bands.width,
                bands.height, rescaled ? " rescaled to powers of two" : "");
    return 0;
}
