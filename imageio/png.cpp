// PNG loader through libpng.
//
// Every PNG is turned into 8-bit R, G, B or R, G, B, A rows by libpng's own
// transformations: palettes expanded, greyscale repeated into the three
// colours, transparency chunks turned into alpha and 16-bit samples cut to
// their high byte (the TIFF loader reduces 16-bit samples the same way, so
// both formats of one picture tile alike).
//
// libpng reports fatal errors by longjmp to the point its jump buffer was
// set. Each libpng call that can fail gets its own small function holding
// setjmp, with nothing in its frame that changes after the jump point.
#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "imageio/decoders.h"
#include "imageio/imageio.h"
#include "imageio/loader_log.h"
#include "vxsystem/vxsystem.h"

namespace {

struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    FILE* file = nullptr;
    char error[256] = {0};
    int32_t width = 0;
    int32_t height = 0;
    int32_t planes = 0;
    int passes = 1;
};

void on_error(png_structp png, png_const_charp message) {
    PngReader* r = static_cast<PngReader*>(png_get_error_ptr(png));
    append_log("PNG ERROR=%s\n", message);
    std::snprintf(r->error, sizeof(r->error), "%s", message);
    png_longjmp(png, 1);
}

void on_warning(png_structp, png_const_charp message) { append_log("PNG WARNING=%s\n", message); }

void close_reader(PngReader& r) {
    if (r.png) png_destroy_read_struct(&r.png, r.info ? &r.info : nullptr, nullptr);
    r.png = nullptr;
    r.info = nullptr;
    close_file(r.file);
    r.file = nullptr;
}

// Reads the headers and sets up the transformations; 0 on a libpng error.
int read_header(PngReader& r) {
    if (setjmp(png_jmpbuf(r.png))) return 0;
    png_init_io(r.png, r.file);
    png_read_info(r.png, r.info);
    const int colour = png_get_color_type(r.png, r.info);
    png_set_expand(r.png);
    png_set_strip_16(r.png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(r.png);
    r.passes = png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    r.width = static_cast<int32_t>(png_get_image_width(r.png, r.info));
    r.height = static_cast<int32_t>(png_get_image_height(r.png, r.info));
    r.planes = png_get_channels(r.png, r.info);
    return 1;
}

int read_row(PngReader& r, uint8_t* row) {
    if (setjmp(png_jmpbuf(r.png))) return 0;
    png_read_row(r.png, row, nullptr);
    return 1;
}

LoadResult fail_png(PngReader& r, const std::string& name) {
    LoadResult failed = loader_failed("cannot decode png " + name + ": " + r.error);
    close_reader(r);
    return failed;
}

// Opens the file and reads its headers; nothing is left open on failure.
LoadResult open_png(PngReader& r, const std::string& name) {
    r.file = open_file(name.c_str(), MODE_READ_BINARY);
    if (!r.file)
        return loader_fail("cannot open png %s: %s", name.c_str(), open_failure_text(errno));
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r, on_error, on_warning);
    if (r.png) r.info = png_create_info_struct(r.png);
    if (!r.png || !r.info) {
        close_reader(r);
        return loader_fail("not enough memory for png %s", name.c_str());
    }
    if (!read_header(r)) return fail_png(r, name);
    append_log("(png=%dx%dx%d)", r.width, r.height, r.planes);
    if (r.planes != 3 && r.planes != 4) {
        close_reader(r);
        return loader_fail("png %s has %d channels", name.c_str(), r.planes);
    }
    return loader_done();
}

// Every pass of the rows [0, height) into `pixels`. Interlaced files deliver
// every row once per pass, each pass filling in more of the row already
// there.
int read_all_rows(PngReader& r, uint8_t* pixels) {
    const int64_t pitch = int64_t{r.width} * r.planes;
    for (int pass = 0; pass < r.passes; ++pass) {
        for (int32_t y = 0; y < r.height; ++y) {
            if (!read_row(r, pixels + y * pitch)) return 0;
        }
    }
    return 1;
}

// Non-interlaced files are read row by row as asked; an interlaced file
// shows its first row whole only after the last pass, so it is decoded
// whole at the first band (straight into it when that band is the whole
// picture).
struct PngSource : BandSource {
    PngReader r;
    std::string name;
    std::unique_ptr<uint8_t[]> whole;
    int32_t next = 0;
    ~PngSource() override { close_reader(r); }
    LoadResult open(Holding holding, PictureBands& sizes) {
        if (LoadResult opened = open_png(r, name); !opened.ok()) return opened;
        sizes.width = r.width;
        sizes.height = r.height;
        sizes.planes = r.planes;
        // A band reader of an interlaced file holds the whole picture too.
        const int64_t row = int64_t{r.width} * r.planes;
        const bool all_rows = holding == Holding::whole || r.passes > 1;
        return loader_memory_fits(name, all_rows ? row * r.height : row);
    }
    LoadResult read(uint8_t* out, int32_t rows) override {
        const int64_t pitch = int64_t{r.width} * r.planes;
        if (r.passes > 1 && next == 0 && rows == r.height) {
            if (!read_all_rows(r, out)) return fail_png(r, name);
            next = rows;
            return loader_done();
        }
        if (r.passes > 1) {
            if (!whole) {
                whole.reset(new (std::nothrow) uint8_t[static_cast<size_t>(pitch * r.height)]);
                if (!whole) return loader_fail("not enough memory for png %s", name.c_str());
                if (!read_all_rows(r, whole.get())) return fail_png(r, name);
            }
            std::memcpy(out, whole.get() + next * pitch, static_cast<size_t>(pitch * rows));
            next += rows;
            return loader_done();
        }
        for (int32_t k = 0; k < rows; ++k, ++next) {
            if (!read_row(r, out + k * pitch)) return fail_png(r, name);
        }
        return loader_done();
    }
};

}  // namespace

LoadResult open_png_decoder(const std::string& name, Holding holding, PictureBands& bands) {
    return open_decoder<PngSource>("png", name, holding, bands);
}
