// JPEG loader through the JPEG library's 6.2 interface.
//
// Damaged files (truncated, corrupt data) decode as the library decides, with
// filler where data is missing; the loader still returns the picture and
// reports the damage through imageio_last_warning(). The decoded picture
// reaches the caller's record only once every row is in, so a load that fails
// before that leaves the record as it was.
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
// The library's message codes.
#include <jerror.h>

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
    // The library's own handler of its messages, wrapped below.
    void (*library_emit)(j_common_ptr, int);
    // The picture being decoded (a reservation) and whether every row of it
    // is in.
    uint8_t* pixels;
    bool rows_done;
};

void log_library_message(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    append_log("JPEG ERROR=%s\n", text);
}

// Warnings about the file's side information; the pixels are intact.
bool harmless_warning(int code) {
    return code == JWRN_JFIF_MAJOR || code == JWRN_ADOBE_XFORM || code == JWRN_BOGUS_ICC;
}

// Every warning passes here, also those the library does not output (it
// outputs only the first). The first one that means missing or corrupt data
// marks the picture as damaged.
void note_library_message(j_common_ptr cinfo, int level) {
    if (level < 0 && !harmless_warning(cinfo->err->msg_code)) {
        char text[JMSG_LENGTH_MAX];
        (*cinfo->err->format_message)(cinfo, text);
        loader_warn(text);
    }
    reinterpret_cast<JpegErrors*>(cinfo->err)->library_emit(cinfo, level);
}

// Hands the decoded picture to the record, releasing the block it held.
void commit_picture(JpegErrors& errors, const jpeg_decompress_struct& d, LoadedImage& image) {
    if (image.pixels) release_block(&image.pixels);
    image.pixels = errors.pixels;
    errors.pixels = nullptr;
    image.width = static_cast<int32_t>(d.output_width);
    image.height = static_cast<int32_t>(d.output_height);
}

void drop_partial_picture(JpegErrors& errors) {
    if (errors.pixels) release_block(&errors.pixels);
}

// The memory decoding takes beyond the pixel block: a progressive or
// multi-scan file keeps every coefficient of the picture (64 of 2 bytes per
// 8 x 8 block of each component) until its last scan.
int64_t decoder_bytes(jpeg_decompress_struct& d) {
    if (!d.progressive_mode && !jpeg_has_multiple_scans(&d)) return 0;
    return int64_t{d.image_width} * d.image_height * d.num_components * 2;
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
int decode_rows(jpeg_decompress_struct& d, JpegErrors& errors, LoadedImage& image) {
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
    if (!reserve_block(&errors.pixels, static_cast<int32_t>(bytes), image.name.c_str())) {
        loader_fail("not enough memory for jpeg %s", image.name.c_str());
        return 0;
    }
    // The row buffer belongs to the decoder's image pool and goes with it.
    const JDIMENSION stride = d.output_width * static_cast<JDIMENSION>(d.output_components);
    JSAMPARRAY rows =
        (*d.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d), JPOOL_IMAGE, stride, 1);
    const bool inverted = d.saw_Adobe_marker != 0;
    uint8_t* out = errors.pixels;
    while (d.output_scanline < d.output_height) {
        jpeg_read_scanlines(&d, rows, 1);
        copy_row(rows[0], out, d.output_width, d.output_components, inverted);
        out += static_cast<size_t>(d.output_width) * 3;
    }
    errors.rows_done = true;
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
    errors.library_emit = errors.manager.emit_message;
    errors.manager.emit_message = note_library_message;
    errors.pixels = nullptr;
    errors.rows_done = false;
    FILE* volatile file = nullptr;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&decoder);
        close_file(file);
        if (errors.rows_done) {
            // Every row was decoded before the library gave up (e.g. on a
            // bogus marker after the picture): the picture is kept, and the
            // message, already in the log, tells the user it is damaged.
            loader_warn(errors.fatal);
            commit_picture(errors, decoder, image);
            return IMAGE_LOADED;
        }
        drop_partial_picture(errors);
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
    // The claimed size is weighed before the decoder allocates for it; the
    // decoder is also held to what is left, so that no estimate here can let
    // it take more.
    const int64_t pixel_bytes = int64_t{decoder.image_width} * decoder.image_height * 3;
    if (!loader_memory_fits(image.name, pixel_bytes + decoder_bytes(decoder))) {
        jpeg_destroy_decompress(&decoder);
        close_file(file);
        return IMAGE_NOT_LOADED;
    }
    const int64_t left = picture_memory_limit() - pixel_bytes;
    decoder.mem->max_memory_to_use = static_cast<long>(left > 0 ? left : 1);
    jpeg_start_decompress(&decoder);

    const int ok = decode_rows(decoder, errors, image);
    if (ok) {
        jpeg_finish_decompress(&decoder);
        commit_picture(errors, decoder, image);
    } else {
        jpeg_abort_decompress(&decoder);
        drop_partial_picture(errors);
    }
    jpeg_destroy_decompress(&decoder);
    close_file(file);
    return ok ? IMAGE_LOADED : IMAGE_NOT_LOADED;
}
