// zoom: a separable filtered resampler.
//
// A window of a source picture is mapped onto a window of a destination
// picture with independent horizontal and vertical scale factors and one
// one-dimensional kernel per axis. Pictures are reached only through the
// PictureDevice interface; MemoryPicture is the in-memory implementation.
// Every call allocates its working memory, runs to completion (on the calling
// thread, or in bands of output rows on the pool its options name) and frees
// everything before it returns; a failed allocation is returned as
// ZOOM_NO_MEMORY. Diagnostics go through zoom_message, which
// discards them unless the calling thread installed a sink. Nothing mutable
// is shared between calls: calls on different threads may run at once.
#pragma once

#include <cstdint>

class WorkPool;

// Marker for an undefined window corner, picture field or pass-order option.
constexpr int ZOOM_UNSET = -239;

// ---------------------------------------------------------------------------
// Diagnostics.
// ---------------------------------------------------------------------------
using ZoomMessageSink = void (*)(const char* text);
// Installs a receiver for the formatted reports of resampling calls made on
// the calling thread (null: discard, the default). Each thread has its own.
void zoom_set_message_sink(ZoomMessageSink sink);
void zoom_message(const char* format, ...);
// Fatal-error hook: returns without effect; each caller says what follows.
void zoom_abort(int status);

// ---------------------------------------------------------------------------
// Filter kernels.
// ---------------------------------------------------------------------------
struct MitchellParams {
    double p0, p1, p2, q0, q1, q2, q3;
};
struct KaiserParams {
    double alpha, inv_i0_alpha;
};

using ZoomKernel = double (*)(double x, const void* params);
using ZoomKernelInit = void (*)(double a, double b, void* params);

struct ZoomFilter {
    const char* name;
    ZoomKernel kernel;
    double support;
    double blur;
    uint8_t truncated;
    uint8_t interpolating;
    uint8_t in_unit_interval;
    ZoomKernelInit init;
    void* params;
};

struct FilterScaling {
    double scale;
    double support;
    int width;
};

// The 14 kernels, in their fixed index order (the settings store the index):
// 0 point, 1 box, 2 triangle, 3 quadratic, 4 cubic, 5 catrom, 6 mitchell,
// 7 gaussian, 8 sinc, 9 bessel, 10 hanning, 11 hamming, 12 blackman, 13 kaiser.
constexpr int ZOOM_FILTER_COUNT = 14;
enum class ZoomKernelIndex : int {
    Point,
    Box,
    Triangle,
    Quadratic,
    Cubic,
    Catrom,
    Mitchell,
    Gaussian,
    Sinc,
    Bessel,
    Hanning,
    Hamming,
    Blackman,
    Kaiser,
};
static_assert(static_cast<int>(ZoomKernelIndex::Kaiser) + 1 == ZOOM_FILTER_COUNT,
              "one name per kernel");

// The record at `index` (0..13, not checked). The table is built once, on
// first use from any thread, and is read-only afterwards.
const ZoomFilter& filter_at(int index);
inline const ZoomFilter& filter_at(ZoomKernelIndex index) {
    return filter_at(static_cast<int>(index));
}
// First record named exactly `name` (case-sensitive), or null.
const ZoomFilter* filter_find(const char* name);
// Builds the table now (it is also built on first use); harmless to repeat.
void filter_table_init();
void mitchell_init(double b, double c, void* params);
void kaiser_init(double alpha, double b, void* params);
double bessel_i0(double x);
FilterScaling filter_scaling(const ZoomFilter& filter, double s);
// Returns the record to use on one axis: `filter` itself, or the table's
// "point" record when point sampling gives the same result (then `scaling`
// is rewritten to scale 1, support 0.5, width 1).
const ZoomFilter* coerce_to_point(const char* axis, int coerce, const ZoomFilter* filter,
                                  FilterScaling& scaling, double s, double u);

// ---------------------------------------------------------------------------
// Windows and options.
// ---------------------------------------------------------------------------
struct ZoomWindow {
    int32_t x0, y0, x1, y1;
    int32_t nx, ny;
};

void window_set_size(ZoomWindow& w);
void window_set_corner(ZoomWindow& w);
void window_intersect(const ZoomWindow& a, const ZoomWindow& b, ZoomWindow& out);
int window_overlap(const ZoomWindow& a, const ZoomWindow& b);
void window_print(const char* prefix, const ZoomWindow& w);

struct ZoomMapping {
    double sx, sy, tx, ty, ux, uy;
};

struct ZoomOptions {
    int intermediate_type;  // 0 byte, 1 short, 2 float
    int verbosity;          // 0 silent, 1 per-row trace, 2 also weight tables
    int coerce;             // non-zero allows coercion to point sampling
    int xy_order;           // ZOOM_UNSET: by cost; non-zero: horizontal first; 0: vertical first
    int trim_zeros;         // drop zero weights at both ends of horizontal tables
    // Threads the filtered passes may cut their output rows over (null: the
    // calling thread only). The bytes are the same either way; a picture
    // resampled onto itself, a verbose call and a small picture stay on the
    // calling thread.
    WorkPool* pool = nullptr;
};

// ---------------------------------------------------------------------------
// Pictures.
// ---------------------------------------------------------------------------
class PictureDevice {
  public:
    virtual ~PictureDevice() = default;
    virtual int open(const char* name, const char* mode) = 0;
    virtual void close() = 0;
    virtual const char* name() = 0;
    virtual void clear(uint8_t value) = 0;
    virtual void clear_rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a) = 0;
    virtual void set_nchan(int n) = 0;
    virtual void set_box(int x0, int y0, int nx, int ny) = 0;
    virtual void write_pixel(int x, int y, uint8_t value) = 0;
    virtual void write_pixel_rgba(int x, int y, uint8_t r, uint8_t g, uint8_t b, uint8_t a) = 0;
    virtual void write_row(int y, int x0, int n, const uint8_t* bytes) = 0;
    virtual void write_row_float(int y, int x0, int n, const float* values) = 0;
    virtual void write_row_rgba(int y, int x0, int n, const uint8_t* rgba) = 0;
    virtual int get_nchan() = 0;
    virtual void get_box(int* x0, int* y0, int* nx, int* ny) = 0;
    virtual uint8_t read_pixel(int x, int y) = 0;
    virtual void read_pixel_rgba(int x, int y, uint8_t* rgba) = 0;
    virtual void read_row(int y, int x0, int n, uint8_t* bytes) = 0;
    virtual void read_row_float(int y, int x0, int n, float* values) = 0;
    virtual void read_row_rgba(int y, int x0, int n, uint8_t* rgba) = 0;
};

class MemoryPicture : public PictureDevice {
  public:
    int width = ZOOM_UNSET;
    int height = ZOOM_UNSET;
    int nchan = ZOOM_UNSET;
    int row_bytes = ZOOM_UNSET;
    int mode = 0;  // 0 unset, 1 bound (caller's pixels), 2 owned
    uint8_t* pixels = nullptr;

    MemoryPicture() = default;
    MemoryPicture(const MemoryPicture&) = delete;
    MemoryPicture& operator=(const MemoryPicture&) = delete;
    ~MemoryPicture() override;

    void bind(uint8_t* pixels, int width, int height, int row_bytes, int nchan);
    void allocate(int width, int height, int nchan);
    void release();

    int open(const char* name, const char* mode) override;
    void close() override;
    const char* name() override;
    void clear(uint8_t value) override;
    void clear_rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a) override;
    void set_nchan(int n) override;
    void set_box(int x0, int y0, int nx, int ny) override;
    void write_pixel(int x, int y, uint8_t value) override;
    void write_pixel_rgba(int x, int y, uint8_t r, uint8_t g, uint8_t b, uint8_t a) override;
    void write_row(int y, int x0, int n, const uint8_t* bytes) override;
    void write_row_float(int y, int x0, int n, const float* values) override;
    void write_row_rgba(int y, int x0, int n, const uint8_t* rgba) override;
    int get_nchan() override;
    void get_box(int* x0, int* y0, int* nx, int* ny) override;
    uint8_t read_pixel(int x, int y) override;
    void read_pixel_rgba(int x, int y, uint8_t* rgba) override;
    void read_row(int y, int x0, int n, uint8_t* bytes) override;
    void read_row_float(int y, int x0, int n, float* values) override;
    void read_row_rgba(int y, int x0, int n, uint8_t* rgba) override;
};

// Fills win.x0, y0, x1, y1 from the picture's box (nx, ny are left alone)
// and returns win; null when win is null.
ZoomWindow* picture_get_window(PictureDevice* pic, ZoomWindow* win);
// The same corners in a new zeroed window.
ZoomWindow picture_window(PictureDevice* pic);
void picture_set_window(PictureDevice* pic, const ZoomWindow& win);

// ---------------------------------------------------------------------------
// Resampling.
// ---------------------------------------------------------------------------
// Results of zoom_opt: ZOOM_OK, or a negative reason.
constexpr int ZOOM_OK = 0;
constexpr int ZOOM_NO_MEMORY = -1;     // working memory ran out; the destination window may be
                                       // partly written
constexpr int ZOOM_BAD_WINDOW = -2;    // the destination window has no corner (ZOOM_UNSET)
constexpr int ZOOM_BAD_CHANNELS = -3;  // a one-channel picture with a picture of 3 or 4
constexpr int ZOOM_BAD_SCALE = -4;     // a scale that is not positive
// A readable reason for any result of zoom_opt; never null.
const char* zoom_result_message(int result);

// Maps swin of src onto dwin of dst; both windows are updated in place.
// Empty windows are not an error: nothing is written and ZOOM_OK returned.
int zoom_opt(const ZoomOptions& options, PictureDevice* src, ZoomWindow& swin, PictureDevice* dst,
             ZoomWindow& dwin, const ZoomFilter& xfilter, const ZoomFilter& yfilter, int square,
             int intscale);
