// BMP pictures in bands of rows.
//
// The file is never read whole: the file rows behind each band are fetched
// with a few large positioned reads (walking from the end of the file
// towards its start for the usual bottom-up files) into a buffer of a fixed
// size, so memory stays the same however large the picture. The file's size
// comes from the open file itself and every offset is 64-bit, so files past
// 2 and 4 GiB stream like small ones. The rows are those load_bmp gives the
// tool (R, G, B, or R, G, B, A with a companion alpha file), and the
// refusals and log lines are the same.
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include "imageio/band_source.h"
#include "imageio/bmp_layout.h"
#include "imageio/imageio.h"
#include "imageio/loader_log.h"
#include "vxsystem/vxsystem.h"

static_assert(sizeof(off_t) >= 8, "offsets past 4 GiB need a 64-bit off_t");

namespace {

// Bytes of file rows fetched by one read (at least one row): large enough
// that a band costs few reads, small beside the band the caller holds.
constexpr int64_t kChunkBytes = int64_t{8} << 20;

// An open BMP file read at offsets, with the buffer for its file rows.
struct RowFile {
    std::string name;
    FILE* file = nullptr;
    int64_t size = 0;
    BmpLayout layout;
    std::unique_ptr<uint8_t[]> rows;
    RowFile() = default;
    RowFile(const RowFile&) = delete;
    RowFile& operator=(const RowFile&) = delete;
    ~RowFile() { close(); }
    void close() {
        close_file(file);
        file = nullptr;
    }
};

// Reads up to `count` bytes at `offset`; the bytes read (fewer only at the
// end of the file), or -1 with errno set.
int64_t read_at(FILE* file, uint8_t* buffer, int64_t count, int64_t offset) {
    const int fd = fileno(file);
    int64_t done = 0;
    while (done < count) {
        const ssize_t got = pread(fd, buffer + done, static_cast<size_t>(count - done),
                                  static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += got;
    }
    return done;
}

// Opens `name` (a regular file only, as every loader does) and takes its
// size from the open file; false when it cannot be opened.
bool open_row_file(RowFile& f, const std::string& name) {
    f.close();
    f.name = name;
    f.file = open_file(name.c_str(), MODE_READ_BINARY);
    struct stat st;
    if (!f.file || fstat(fileno(f.file), &st) != 0) {
        f.close();
        return false;
    }
    f.size = st.st_size;
    return true;
}

// Reads and checks the headers of an open file, as load_bmp does.
LoadResult read_layout(RowFile& f) {
    uint8_t head[BMP_HEAD_BYTES];
    const int64_t got = f.size < 1 ? -1 : read_at(f.file, head, BMP_HEAD_BYTES, 0);
    if (got < 0) return loader_fail("cannot read %s", f.name.c_str());
    return read_bmp_layout(head, got, f.size, f.name.c_str(), f.layout);
}

// `count` bytes at `offset` that the headers placed inside the file; a
// failure when they cannot be read or the file has shrunk since.
LoadResult read_exactly(RowFile& f, uint8_t* buffer, int64_t count, int64_t offset) {
    const int64_t got = read_at(f.file, buffer, count, offset);
    if (got == count) return loader_done();
    if (got < 0) return loader_fail("cannot read %s (%s)", f.name.c_str(), std::strerror(errno));
    return loader_fail("cannot read %s (it changed while being read)", f.name.c_str());
}

// File rows [first, first + count) into the file's buffer, in one read; the
// last row of a file need not have its padding.
LoadResult read_file_rows(RowFile& f, int32_t first, int32_t count) {
    const BmpLayout& l = f.layout;
    const int64_t row_bytes = (int64_t{l.width} * l.bits + 7) / 8;
    return read_exactly(f, f.rows.get(), l.row_stride * (count - 1) + row_bytes,
                        bmp_row_offset(l, first));
}

// Takes `name` as the companion when it is a regular file that opens and
// is not empty.
bool take_companion(const std::string& name, RowFile& c) {
    if (!bmp_companion_is_regular(name)) return false;
    if (open_row_file(c, name) && c.size > 0) return true;
    c.close();
    return false;
}

// Loaded, with `c` open when `name` has a companion alpha file that matches
// the picture and closed when there is none; a failure when it is unusable.
LoadResult open_companion(const std::string& name, const BmpLayout& picture, RowFile& c) {
    const std::string base = name_base(name);
    if (!take_companion(base + "_trans.bmp", c) && !take_companion(base + "op.bmp", c))
        return loader_done();
    if (LoadResult head = read_layout(c); !head.ok()) return head;
    if (c.layout.bits != 24 || c.layout.width != picture.width || c.layout.height != picture.height)
        return loader_fail("alpha file %s does not match texture %s", c.name.c_str(), name.c_str());
    return loader_done();
}

struct BmpSource : BandSource {
    RowFile picture;
    RowFile alpha;
    bool has_alpha = false;
    int32_t planes = 3;
    int32_t chunk_rows = 1;  // file rows one read fetches
    int32_t next = 0;        // output rows delivered
    uint8_t colours[256 * 4] = {};

    // Output row from its file row `src` (and the companion's `a`).
    void expand(const uint8_t* src, const uint8_t* a, uint8_t* out) const {
        const int32_t width = picture.layout.width;
        const int32_t bits = picture.layout.bits;
        if (bits != 24) {
            for (int32_t x = 0; x < width; ++x, out += 3) {
                std::memcpy(out, colours + 4 * bmp_palette_index(src, bits, x), 3);
            }
            return;
        }
        for (int32_t x = 0; x < width; ++x, src += 3) {
            *out++ = src[2];
            *out++ = src[1];
            *out++ = src[0];
            if (a) {
                *out++ = static_cast<uint8_t>((a[0] + a[1] + a[2]) / 3);
                a += 3;
            }
        }
    }

    LoadResult read(uint8_t* out, int32_t rows) override {
        const BmpLayout& l = picture.layout;
        const int64_t pitch = int64_t{l.width} * planes;
        // Advanced only when the whole band is read, so `next` keeps to the
        // rows the caller was given.
        int32_t y = next;
        const int32_t end = next + rows;
        while (y < end) {
            const int32_t count = std::min(end - y, chunk_rows);
            // The file rows of output rows [y, y + count), lowest first.
            const int32_t first = l.top_down ? y : l.height - y - count;
            if (LoadResult got = read_file_rows(picture, first, count); !got.ok()) return got;
            // The companion's file rows pair with the picture's file rows.
            if (has_alpha) {
                LoadResult got = read_file_rows(alpha, first, count);
                if (!got.ok()) return got;
            }
            for (int32_t k = 0; k < count; ++k, ++y, out += pitch) {
                const int64_t r = bmp_file_row(l, y) - first;
                expand(picture.rows.get() + r * l.row_stride,
                       has_alpha ? alpha.rows.get() + r * alpha.layout.row_stride : nullptr, out);
            }
        }
        next = end;
        return loader_done();
    }

    // Every row lies at an offset of its own.
    LoadResult skip(int32_t rows, int64_t) override {
        next += rows;
        return loader_done();
    }
};

}  // namespace

LoadResult open_bmp_source(const std::string& name, PictureBands& bands) {
    std::unique_ptr<BmpSource> s(new (std::nothrow) BmpSource);
    if (!s) return loader_fail("not enough memory for texture %s", name.c_str());
    if (!open_row_file(s->picture, name)) return loader_fail("cannot read %s", name.c_str());
    if (LoadResult head = read_layout(s->picture); !head.ok()) return head;
    const BmpLayout& l = s->picture.layout;
    if (l.bits == 24) {
        if (LoadResult found = open_companion(name, l, s->alpha); !found.ok()) return found;
        s->has_alpha = s->alpha.file != nullptr;
        s->planes = s->has_alpha ? 4 : 3;
    }

    // Only the chunk buffers are the reader's own; the band is the caller's.
    // A picture larger than 2 GiB is fine here: it is never held whole.
    s->chunk_rows = static_cast<int32_t>(
        std::min<int64_t>(l.height, std::max<int64_t>(1, kChunkBytes / l.row_stride)));
    const int64_t picture_bytes = s->chunk_rows * l.row_stride;
    const int64_t alpha_bytes = s->has_alpha ? s->chunk_rows * s->alpha.layout.row_stride : 0;
    if (LoadResult fits = loader_memory_fits(name, picture_bytes + alpha_bytes); !fits.ok())
        return fits;
    s->picture.rows.reset(new (std::nothrow) uint8_t[static_cast<size_t>(picture_bytes)]);
    if (s->has_alpha)
        s->alpha.rows.reset(new (std::nothrow) uint8_t[static_cast<size_t>(alpha_bytes)]);
    if (!s->picture.rows || (s->has_alpha && !s->alpha.rows))
        return loader_fail("not enough memory for texture %s", name.c_str());

    if (l.bits != 24) {
        uint8_t file_palette[256 * 4];
        LoadResult palette = read_exactly(s->picture, file_palette, 4 * int64_t{l.palette_entries},
                                          l.palette_offset);
        if (!palette.ok()) return palette;
        bmp_palette_colours(l, file_palette, s->colours);
    }
    bands.width = l.width;
    bands.height = l.height;
    bands.planes = s->planes;
    bands.source = std::move(s);
    return loader_done();
}
