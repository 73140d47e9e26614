// JPEG loader through the JPEG library's 6.2 interface.
//
// Damaged files (truncated, corrupt data) decode as the library decides, with
// filler where data is missing; the loader still returns the picture and
// reports the damage as its result's warning. The decoded picture
// reaches the caller's record only once every row is in, so a load that fails
// before that leaves the record as it was.
//
// The library reports fatal errors through error_exit, which by default ends
// the process. The loader routes it back here instead (setjmp/longjmp, the
// library's documented way), so the decoder is torn down, the file closed and
// the caller told; the tool then ends the run with its own message. Every
// message the library outputs goes to the log as "JPEG ERROR=...".
//
// The decompression object and its error manager live in one heap record,
// the decoder, used by the band reader and the whole-picture load alike.
// Every call that can reach error_exit sets the jump point in its own frame
// first, so the jump never returns into a frame that has gone; nothing is
// shared between decoders, so loads on several threads do not meet.
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <new>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
// The library's message codes.
#include <jerror.h>

#include "imageio/decoders.h"
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
    // Whether every row of the picture is out.
    bool rows_done;
    // Output rows that can hold decoded data, once a single-scan file's data
    // ran out before its end; -1 otherwise.
    int32_t data_rows;
    // While rows are skipped without decoding them: the row the skip ends
    // at; -1 otherwise.
    int32_t skipping_to;
    // The first message that meant damage, empty while there is none. A
    // plain array: it is written from inside the library, where nothing may
    // throw.
    char warning[JMSG_LENGTH_MAX];
};

// Keeps `text` as the picture's warning unless an earlier one is kept.
void keep_warning(JpegErrors& errors, const char* text) {
    if (errors.warning[0] == '\0')
        std::snprintf(errors.warning, sizeof(errors.warning), "%s", text);
}

void log_library_message(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    append_log("JPEG ERROR=%s\n", text);
}

// Warnings about the file's side information; the pixels are intact.
bool harmless_warning(int code) {
    return code == JWRN_JFIF_MAJOR || code == JWRN_ADOBE_XFORM || code == JWRN_BOGUS_ICC;
}

// Whether the message says the picture's data has ended: at the end of the
// file, or at an end-of-image marker met where entropy data was expected.
bool data_ended(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return false;
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF) return true;
    const j_decompress_ptr d = reinterpret_cast<j_decompress_ptr>(cinfo);
    return code == JWRN_HIT_MARKER && d->unread_marker == JPEG_EOI;
}

// Every warning passes here, also those the library does not output (it
// outputs only the first). The first one that means missing or corrupt data
// marks the picture as damaged.
void note_library_message(j_common_ptr cinfo, int level) {
    JpegErrors* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    if (level < 0 && !harmless_warning(cinfo->err->msg_code)) {
        char text[JMSG_LENGTH_MAX];
        (*cinfo->err->format_message)(cinfo, text);
        keep_warning(*errors, text);
    }
    // The data ended while rows were being decoded: every row from the
    // row of blocks being decoded on is filler. It ends either at the end of
    // the file or at an end-of-image marker inside the entropy data; another
    // marker met there may be a restart after which data follows. A
    // single-scan file decodes
    // at most one row of blocks ahead of the rows handed out (for smooth
    // upsampling), so rows from two rows of blocks beyond the next one
    // handed out hold nothing of the file. A multi-scan file was read whole
    // before its first row, so there no row can be told apart.
    if (level < 0 && data_ended(cinfo) && errors->data_rows < 0) {
        j_decompress_ptr d = reinterpret_cast<j_decompress_ptr>(cinfo);
        // The output sizes are set only once decoding started (asking for
        // the scans before the header is read would be an error).
        if (d->output_height > 0 && !d->progressive_mode && !jpeg_has_multiple_scans(d)) {
            const int64_t block_rows = int64_t{d->max_v_samp_factor} * DCTSIZE;
            // Within a skip the row being decoded is not told; its end
            // bounds it, and the skip ends two rows of blocks above the
            // first row handed out, so those rows come out as filler here
            // exactly when reading every row would have made them filler.
            const int64_t next =
                errors->skipping_to >= 0 ? errors->skipping_to : int64_t{d->output_scanline};
            const int64_t end = (next / block_rows + 2) * block_rows;
            errors->data_rows = static_cast<int32_t>(
                end < int64_t{d->output_height} ? end : int64_t{d->output_height});
        }
    }
    errors->library_emit(cinfo, level);
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

// The decoder, open from the header to the last row (see the top of the
// file for why each of its calls sets its own jump point).
struct JpegSource : BandSource {
    jpeg_decompress_struct decoder{};
    JpegErrors errors;
    FILE* file = nullptr;
    std::string name;
    JSAMPARRAY row = nullptr;
    bool inverted = false;
    bool created = false;
    ~JpegSource() override {
        if (created) jpeg_destroy_decompress(&decoder);
        close_file(file);
    }
    LoadResult open(Holding holding, PictureBands& sizes);
    LoadResult read(uint8_t* out, int32_t rows) override;
    LoadResult skip(int32_t rows, int64_t pitch) override;
    int32_t data_rows() const override { return errors.data_rows; }
    // A step that went well, with the damage met so far.
    LoadResult done() const { return LoadResult{LoadStatus::loaded, {}, errors.warning}; }
};

// No object with a destructor may live across a call into the library: its
// error exit jumps over them.
LoadResult JpegSource::open(Holding holding, PictureBands& sizes) {
    errors.fatal[0] = '\0';
    errors.warning[0] = '\0';
    decoder.err = jpeg_std_error(&errors.manager);
    errors.manager.output_message = log_library_message;
    errors.manager.error_exit = stop_decoding;
    errors.library_emit = errors.manager.emit_message;
    errors.manager.emit_message = note_library_message;
    errors.rows_done = false;
    errors.data_rows = -1;
    errors.skipping_to = -1;
    if (setjmp(errors.jump))
        return loader_failed("cannot decode jpeg " + name + ": " + errors.fatal);
    jpeg_create_decompress(&decoder);
    created = true;
    file = open_file(name.c_str(), MODE_READ_BINARY);
    if (!file) {
        const int error = errno;  // before the log's own file is opened
        append_log("(jpeg open failed)");
        return loader_failed("cannot open jpeg " + name + ": " + open_failure_text(error));
    }
    jpeg_stdio_src(&decoder, file);
    jpeg_read_header(&decoder, TRUE);
    append_log("(jpeg=%dx%dx%d)", static_cast<int>(decoder.image_width),
               static_cast<int>(decoder.image_height), decoder.num_components);
    decoder.dct_method = JDCT_ISLOW;
    // What the caller holds (the whole picture, or a band and one row in
    // the decoder) and the coefficients of a multi-scan file. The claimed
    // size is weighed before the decoder allocates for it; the decoder is
    // also held to what is left, so that no estimate here can let it take
    // more.
    const int64_t held = holding == Holding::whole
                             ? int64_t{decoder.image_width} * decoder.image_height * 3
                             : int64_t{decoder.image_width} * 4;
    if (LoadResult fits = loader_memory_fits(name, held + decoder_bytes(decoder)); !fits.ok())
        return fits;
    const int64_t left = picture_memory_limit() - held;
    decoder.mem->max_memory_to_use = static_cast<long>(left > 0 ? left : 1);
    jpeg_start_decompress(&decoder);
    if (!supported_output(decoder))
        return loader_fail("jpeg %s has %d colour components", name.c_str(),
                           decoder.output_components);
    const JDIMENSION stride =
        decoder.output_width * static_cast<JDIMENSION>(decoder.output_components);
    row = (*decoder.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&decoder), JPOOL_IMAGE,
                                       stride, 1);
    inverted = decoder.saw_Adobe_marker != 0;
    sizes.width = static_cast<int32_t>(decoder.output_width);
    sizes.height = static_cast<int32_t>(decoder.output_height);
    sizes.planes = 3;
    return done();
}

LoadResult JpegSource::read(uint8_t* out, int32_t rows) {
    if (setjmp(errors.jump)) {
        if (errors.rows_done) {
            // Every row was out before the library gave up (e.g. on a bogus
            // marker after the picture): the picture stands, and the
            // message, already in the log, tells the user it is damaged.
            keep_warning(errors, errors.fatal);
            return done();
        }
        return loader_failed("cannot decode jpeg " + name + ": " + errors.fatal);
    }
    const size_t pitch = static_cast<size_t>(decoder.output_width) * 3;
    for (int32_t k = 0; k < rows && decoder.output_scanline < decoder.output_height; ++k) {
        jpeg_read_scanlines(&decoder, row, 1);
        copy_row(row[0], out + k * pitch, decoder.output_width, decoder.output_components,
                 inverted);
    }
    if (decoder.output_scanline >= decoder.output_height && !errors.rows_done) {
        errors.rows_done = true;
        jpeg_finish_decompress(&decoder);
    }
    return done();
}

// A single-scan file skips the rows above the band with the library's own
// skip, which decodes their coefficients only as far as it must and never
// converts or upsamples them. The last two rows of blocks before the band
// are decoded as usual, so the upsampling context of the first row handed
// out is the one reading every row gives. A multi-scan file has read its
// coefficients already; its rows are decoded and dropped.
LoadResult JpegSource::skip(int32_t rows, int64_t pitch) {
    if (decoder.progressive_mode || jpeg_has_multiple_scans(&decoder))
        return BandSource::skip(rows, pitch);
    const int32_t margin = 2 * decoder.max_v_samp_factor * DCTSIZE;
    const int32_t fast = rows > margin ? rows - margin : 0;
    if (fast > 0) {
        if (setjmp(errors.jump)) {
            errors.skipping_to = -1;
            return loader_failed("cannot decode jpeg " + name + ": " + errors.fatal);
        }
        errors.skipping_to = static_cast<int32_t>(decoder.output_scanline) + fast;
        jpeg_skip_scanlines(&decoder, static_cast<JDIMENSION>(fast));
        errors.skipping_to = -1;
    }
    return rows > fast ? BandSource::skip(rows - fast, pitch) : done();
}

}  // namespace

LoadResult open_jpeg_decoder(const std::string& name, Holding holding, PictureBands& bands) {
    return open_decoder<JpegSource>("jpeg", name, holding, bands);
}

// As load_whole_picture, but the record's planes and palette are left alone
// and a block that cannot be had is said to be short memory.
LoadResult load_jpeg(LoadedImage& image) {
    PictureBands whole;
    const LoadResult opened = open_jpeg_decoder(image.name, Holding::whole, whole);
    if (!opened.ok()) return opened;
    const int64_t bytes = int64_t{whole.width} * 3 * whole.height;
    if (bytes > INT32_MAX)
        return loader_fail("jpeg %s is too large (%d,%d)", image.name.c_str(), whole.width,
                           whole.height);
    uint8_t* pixels = nullptr;
    if (!reserve_block(&pixels, static_cast<int32_t>(bytes), image.name.c_str()))
        return loader_fail("not enough memory for jpeg %s", image.name.c_str());
    return hand_over_rows(whole, pixels, image);
}
