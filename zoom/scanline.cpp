// Allocation, clearing, picture transfer and the final float-to-byte shift
// of scanlines.
#include "zoom/scanline.h"

#include <cstdlib>
#include <cstring>

namespace {
void report_type(const char* op, int type) {
    zoom_message("scanline_%s: bad scanline type: %d\n", op, type);
    zoom_abort(1);
}

size_t data_bytes(const Scanline& s) {
    return static_cast<size_t>(s.len > 0 ? s.len : 0) * scanline_pixel_bytes(s.type);
}
}  // namespace

int scanline_pixel_bytes(int type) {
    switch (type) {
        case SCANLINE_BYTE:
            return 1;
        case SCANLINE_SHORT:
            return 2;
        case SCANLINE_FLOAT:
            return 4;
        case SCANLINE_BYTE4:
            return 4;
        case SCANLINE_SHORT4:
            return 8;
        case SCANLINE_FLOAT4:
            return 16;
        default:
            return 0;
    }
}

void scanline_alloc(Scanline& s, int type, int len) {
    s.type = type;
    s.len = len;
    s.data = nullptr;
    if (scanline_pixel_bytes(type) == 0) {
        report_type("alloc", type);
        return;
    }
    // One spare byte keeps an empty scanline distinct from a missing buffer.
    s.data = std::calloc(data_bytes(s) + 1, 1);
}

void scanline_free(Scanline& s) {
    if (scanline_pixel_bytes(s.type) == 0) {
        report_type("ZOOM_FREE", s.type);
        return;
    }
    std::free(s.data);
    s.data = nullptr;
}

void scanline_zero(Scanline& s) {
    if (s.type != SCANLINE_FLOAT && s.type != SCANLINE_FLOAT4) {
        report_type("zero", s.type);
        return;
    }
    if (s.data) std::memset(s.data, 0, data_bytes(s));
}

void scanline_read(PictureDevice* pic, int x0, int y, Scanline& s) {
    if (s.type != SCANLINE_BYTE && s.type != SCANLINE_BYTE4 && s.type != SCANLINE_FLOAT4) {
        report_type("read", s.type);
        return;
    }
    if (!s.data) return;
    if (s.type == SCANLINE_BYTE) {
        pic->read_row(y, x0, s.len, static_cast<uint8_t*>(s.data));
    } else if (s.type == SCANLINE_BYTE4) {
        pic->read_row_rgba(y, x0, s.len, static_cast<uint8_t*>(s.data));
    } else {
        pic->read_row_float(y, x0, s.len, static_cast<float*>(s.data));
    }
}

void scanline_write(PictureDevice* pic, int x0, int y, const Scanline& s) {
    if (s.type != SCANLINE_BYTE && s.type != SCANLINE_BYTE4 && s.type != SCANLINE_FLOAT4) {
        report_type("write", s.type);
        return;
    }
    if (!s.data) return;
    if (s.type == SCANLINE_BYTE) {
        pic->write_row(y, x0, s.len, static_cast<const uint8_t*>(s.data));
    } else if (s.type == SCANLINE_BYTE4) {
        pic->write_row_rgba(y, x0, s.len, static_cast<const uint8_t*>(s.data));
    } else {
        pic->write_row_float(y, x0, s.len, static_cast<const float*>(s.data));
    }
}

void scanline_shift(const Scanline& src, Scanline& dst) {
    if (!src.data || !dst.data) return;
    int n = dst.len * ((src.type & SCANLINE_FOUR) ? 4 : 1);
    const float* in = static_cast<const float*>(src.data);
    uint8_t* out = static_cast<uint8_t*>(dst.data);
    for (int i = 0; i < n; ++i) out[i] = round_to_byte(in[i]);
}
