// JPEG loader through the JPEG library's 6.2 interface.
//
// The library reports fatal errors through error_exit, which by default ends
// the process. The loader routes it back here instead (setjmp/longjmp, the
// library's documented way), so the decoder is torn down, the file closed and
// the caller told; the tool then ends the run with its own message. Every
// message the library outputs goes to the log as "JPEG ERROR=...".
//
// The decompression object and its error manager live in load_jpeg's frame,
// as in the library's own example: they are reached through pointers the
// library keeps, so their contents are in memory when longjmp returns. The
// one local that changes after setjmp and is read after the jump (the open
// file) is volatile. Nothing is shared between calls, so loads on several
// threads do not meet.
#include <csetjmp>
#include <cstdio>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "imageio/imageio.h"
#include "imageio/loader_log.h"
#include "vxsystem/vxsystem.h"

namespace {

// The error manager first, so the library's pointer to it is a pointer to
// the whole record.
struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char fatal[JMSG_LENGTH_MAX];
};

void log_library_message(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    append_log("JPEG ERROR=%s\n", text);
}

[[noreturn]] void stop_decoding(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    JpegErrors* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->fatal);
    std::longjmp(errors->jump, 1);
}

// CMYK files written by Adobe applications (the ones with an Adobe marker)
// hold inverted values, so 255 means no ink; others hold the ink itself.
uint8_t cmyk_channel(int v, int k, bool inverted) {
    if (!inverted) {
        v = 255 - v;
        k = 255 - k;
    }
    return static_cast<uint8_t>((v * k + 127) / 255);
}

// One decoded row into packed R, G, B; the row holds output_width samples of
// output_components each and nothing beyond.
void copy_row(const JSAMPLE* row, uint8_t* out, JDIMENSION width, int components, bool inverted) {
    for (JDIMENSION j = 0; j < width; ++j, out += 3) {
        const JSAMPLE* s = row + static_cast<size_t>(j) * components;
        if (components == 1) {
            out[0] = out[1] = out[2] = s[0];
        } else if (components == 3) {
            out[0] = s[0];
            out[1] = s[1];
            out[2] = s[2];
        } else {
            out[0] = cmyk_channel(s[0], s[3], inverted);
            out[1] = cmyk_channel(s[1], s[3], inverted);
            out[2] = cmyk_channel(s[2], s[3], inverted);
        }
    }
}

// The component layouts copy_row understands.
bool supported_output(const jpeg_decompress_struct& d) {
    if (d.output_components == 1 || d.output_components == 3) return true;
    return d.output_components == 4 && d.out_color_space == JCS_CMYK;
}

// Start-up is done; decodes every row into a fresh reservation.
int decode_rows(jpeg_decompress_struct& d, LoadedImage& image) {
    const int64_t bytes = int64_t{d.output_width} * 3 * d.output_height;
    if (!supported_output(d)) {
        loader_fail("jpeg %s has %d colour components", image.name.c_str(), d.output_components);
        return 0;
    }
    if (bytes > INT32_MAX) {
        loader_fail("jpeg %s is too large (%u,%u)", image.name.c_str(), d.output_width,
                    d.output_height);
        return 0;
    }
    if (!reserve_block(&image.pixels, static_cast<int32_t>(bytes), image.name.c_str())) {
        loader_fail("not enough memory for jpeg %s", image.name.c_str());
        return 0;
    }
    // The row buffer belongs to the decoder's image pool and goes with it.
    const JDIMENSION stride = d.output_width * static_cast<JDIMENSION>(d.output_components);
    JSAMPARRAY rows =
        (*d.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d), JPOOL_IMAGE, stride, 1);
    const bool inverted = d.saw_Adobe_marker != 0;
    uint8_t* out = image.pixels;
    while (d.output_scanline < d.output_height) {
        jpeg_read_scanlines(&d, rows, 1);
        copy_row(rows[0], out, d.output_width, d.output_components, inverted);
        out += static_cast<size_t>(d.output_width) * 3;
    }
    image.width = static_cast<int32_t>(d.output_width);
    image.height = static_cast<int32_t>(d.output_height);
    return 1;
}

}  // namespace

int load_jpeg(LoadedImage& image) {
    loader_start();
    jpeg_decompress_struct decoder{};
    JpegErrors errors;
    errors.fatal[0] = '\0';
    decoder.err = jpeg_std_error(&errors.manager);
    errors.manager.output_message = log_library_message;
    errors.manager.error_exit = stop_decoding;
    FILE* volatile file = nullptr;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&decoder);
        close_file(file);
        loader_remember("cannot decode jpeg " + image.name + ": " + errors.fatal);
        return IMAGE_NOT_LOADED;
    }
    jpeg_create_decompress(&decoder);

    file = open_file(image.name.c_str(), MODE_READ_BINARY);
    if (!file) {
        append_log("(jpeg open failed)");
        loader_remember("cannot open jpeg " + image.name);
        jpeg_destroy_decompress(&decoder);
        return IMAGE_NOT_LOADED;
    }
    jpeg_stdio_src(&decoder, file);
    jpeg_read_header(&decoder, TRUE);
    append_log("(jpeg=%dx%dx%d)", static_cast<int>(decoder.image_width),
               static_cast<int>(decoder.image_height), decoder.num_components);
    decoder.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&decoder);

    const int ok = decode_rows(decoder, image);
    if (ok) {
        jpeg_finish_decompress(&decoder);
    } else {
        jpeg_abort_decompress(&decoder);
    }
    jpeg_destroy_decompress(&decoder);
    close_file(file);
    return ok ? IMAGE_LOADED : IMAGE_NOT_LOADED;
}
