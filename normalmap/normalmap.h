// normalmap: turns a 32-bit working picture into a normal map in place.
//
// A picture is width x height pixels of 4 bytes each, rows packed, byte 0 of
// a pixel first (the least significant byte of the pixel word). Normals are
// written with x in byte 2, y in byte 1 and z in byte 0; byte 3 carries the
// height while the normals are made and, at the end, the alpha the options
// ask for.
//
// make_normal_map does one of three things, chosen by the conversion code:
//   1009..1016  derive a height into byte 3 (table at NormalMapOptions),
//               differentiate it with the kernel pair of the kernel code and
//               write a unit normal per pixel (biased, signed or two-channel);
//   1017        renormalise pixels that already hold biased normals;
//   1018        integrate a biased normal map back into a grey height picture.
//
// Numbers: double precision except where noted as float (kernel weights, the
// sampled slopes, the normal's length factor, the integration fields of 1018
// and the scale). Conversions to integers truncate toward zero; a value that
// is NaN or outside the 32-bit range converts to INT32_MIN, so that it ends
// as the lower bound of a following clamp (or as byte 0 where nothing clamps).
//
// Diagnostics (unknown conversion codes, failed set-up, malformed kernels) go
// to one installable receiver per thread, standard error by default. Nothing
// else is printed. There is no other shared state: conversions on different
// threads may run at once.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// ---------------------------------------------------------------------------
// Diagnostics.
// ---------------------------------------------------------------------------
// Receives one formatted message text (without an added line break).
using NormalMapReceiver = void (*)(const char* text);
// Installs a receiver for the messages of calls made on the calling thread;
// null (the default) drops them. Returns the receiver that was installed
// before.
NormalMapReceiver normalmap_set_receiver(NormalMapReceiver receiver);
// A receiver for programs: writes the text to standard error, ending it with
// a line break when it has none.
void normalmap_print_to_stderr(const char* text);
// Formats a message (at most 2047 characters are kept) and hands it to the
// receiver.
void normalmap_report(const char* format, ...) __attribute__((format(printf, 1, 2)));

// ---------------------------------------------------------------------------
// Convolution kernels.
// ---------------------------------------------------------------------------
// Weighs the height at column x + dx, row y + dy (rows count downwards).
struct KernelElement {
    int32_t dx;
    int32_t dy;
    float weight;
};

struct ConvolutionKernel {
    std::unique_ptr<KernelElement[]> m_pElements;
    int32_t count = 0;

    ConvolutionKernel() = default;
    ConvolutionKernel(const KernelElement* elements, int32_t n);  // copies the elements
    ConvolutionKernel(const ConvolutionKernel& other);            // copies the elements
    ConvolutionKernel& operator=(const ConvolutionKernel& other);
    ConvolutionKernel(ConvolutionKernel&&) noexcept = default;
    ConvolutionKernel& operator=(ConvolutionKernel&&) noexcept = default;

    // The smallest and largest dx and dy over the elements; 0 on success.
    // A kernel without an element array or without elements reports the
    // fact, sets the extents to 0 (it reaches nowhere) and returns -1; a null
    // output pointer is reported and gives -1 with nothing written.
    int32_t GetKernelExtents(int32_t* min_dx, int32_t* max_dx, int32_t* min_dy,
                             int32_t* max_dy) const;
};

// Divides every weight by the sum of the absolute values of all weights
// (summed in double), each quotient rounded to float. A zero sum changes
// nothing.
void normalise_kernel(ConvolutionKernel& kernel);

// Kernel codes; any other code selects the plain 3x3 pair (1041 is one).
enum NormalMapKernel : int32_t {
    NORMALMAP_KERNEL_2X1 = 1040,    // central differences, 0.5 each side
    NORMALMAP_KERNEL_3X3 = 1041,    // 3x3, weights 1/6, not normalised
    NORMALMAP_KERNEL_5X5 = 1042,    // 5x5, normalised
    NORMALMAP_KERNEL_SOBEL = 1043,  // 3x3 Sobel, two-channel output
    NORMALMAP_KERNEL_7X7 = 1044,    // 7x7 rule, normalised
    NORMALMAP_KERNEL_9X9 = 1045,    // 9x9 rule, normalised
    NORMALMAP_KERNEL_END            // not a kernel: one past the last
};

// Conversion codes: where the height comes from (1009 .. 1016, see
// convert_heights), or one of the two conversions that make no normals.
enum NormalMapConversion : int32_t {
    NORMALMAP_HEIGHT_ALPHA = 1009,     // byte 3 already is the height
    NORMALMAP_HEIGHT_MEAN = 1010,      // the mean of the three colour bytes
    NORMALMAP_HEIGHT_DISTANCE = 1011,  // that mean's distance from its picture mean
    NORMALMAP_HEIGHT_BYTE2 = 1012,     // byte 2 (red in the working order)
    NORMALMAP_HEIGHT_BYTE1 = 1013,     // byte 1 (green)
    NORMALMAP_HEIGHT_BYTE0 = 1014,     // byte 0 (blue)
    NORMALMAP_HEIGHT_MAX = 1015,       // the largest colour byte
    NORMALMAP_HEIGHT_SCREEN = 1016,    // the colour bytes screened together
    NORMALMAP_RENORMALISE = 1017,      // the pixels are biased normals: renormalise them
    NORMALMAP_TO_HEIGHT = 1018,        // the pixels are biased normals: integrate to heights
    NORMALMAP_CONVERSION_END           // not a code: one past the last
};
constexpr int32_t NORMALMAP_CONVERSION_FIRST = NORMALMAP_HEIGHT_ALPHA;

// Alpha codes: what byte 3 holds at the end.
enum NormalMapAlpha : int32_t {
    NORMALMAP_ALPHA_INPUT = 1033,   // the picture's own alpha
    NORMALMAP_ALPHA_HEIGHT = 1034,  // the height the normals were made from
    NORMALMAP_ALPHA_ZERO = 1035,
    NORMALMAP_ALPHA_OPAQUE = 1036,  // 255
    NORMALMAP_ALPHA_END             // not a code: one past the last
};

struct KernelPair {
    ConvolutionKernel x;
    ConvolutionKernel y;
};
// The x and y derivative kernels of a kernel code, normalised where the code
// asks for it. Throws std::bad_alloc when memory runs out.
KernelPair make_kernel_pair(int32_t kernel_code);

// ---------------------------------------------------------------------------
// Image bins: a picture with a format code, optionally owning its pixels.
// ---------------------------------------------------------------------------
// Format codes and bytes per pixel: 1 -> 1; 2 and 7 -> 4; 3, 4, 5 -> 2;
// 6 -> 8; 8 -> 12. Any other code is reported ("Unrecognized format! %d\n")
// and counts 0.
constexpr int32_t IMAGE_BIN_FORMAT_WORDS = 2;  // 32-bit pixel words
int32_t image_bin_bytes_per_pixel(int32_t format);

struct ImageBin {
    uint8_t* pixels = nullptr;
    int32_t format = 0;
    int32_t width = 0;
    int32_t height = 0;
    // A bin that owns its pixels keeps them here (`pixels` points into it);
    // otherwise empty and `pixels` belongs to the caller.
    std::vector<uint8_t> owned;

    ImageBin() = default;
    ImageBin(const ImageBin&) = delete;
    ImageBin& operator=(const ImageBin&) = delete;
};

// How far a bordered copy reaches beyond the picture on each side. Each
// bound includes 0 (min_dx <= 0 <= max_dx, min_dy <= 0 <= max_dy).
struct BorderExtents {
    int32_t min_dx = 0, max_dx = 0, min_dy = 0, max_dy = 0;
};

// The picture copied at column -min_dx, row -min_dy of a larger owned
// picture of (width + max_dx - min_dx) x (height + max_dy - min_dy) pixels.
// With wrap, border pixel (bx, by) copies picture pixel ((bx + min_dx) mod
// width, (by + min_dy) mod height): the left border comes from the rightmost
// columns, the top border rows from the last rows, and so on, repeating the
// picture when it is smaller than a border. Without wrap the border repeats
// the nearest edge pixel.
struct BorderedImageBin {
    ImageBin bin;
    BorderExtents extents;
    bool wrap = false;
};

// 0 on success. -1 when the source has no pixels, no area, an unknown
// format, extents that do not include 0 or a size beyond 32-bit
// arithmetic; -2 when memory runs out. `out` is left empty on failure.
int32_t make_bordered_copy(const ImageBin& source, const BorderExtents& extents, bool wrap,
                           BorderedImageBin& out);

// ---------------------------------------------------------------------------
// Convolver and maker.
// ---------------------------------------------------------------------------
struct Convolver {
    const ImageBin* source = nullptr;
    BorderedImageBin bordered;
    std::unique_ptr<ConvolutionKernel[]> kernels;  // copies; [0] x, [1] y
    int32_t kernel_count = 0;

    // value_k at pixel (x, y): the sum over the kernel's elements, in order,
    // of (byte 3 of the bordered copy at the element's offset * 0.003921569)
    // * weight, in double, rounded to float.
    float value(int32_t k, int32_t x, int32_t y) const;
    // value_k for every pixel of row y, into out[0 .. width - 1]; the same
    // numbers as value(), computed a row at a time. `scratch` holds
    // row_scratch_size() doubles.
    void row_values(int32_t k, int32_t y, float* out, double* scratch) const;
    int64_t row_scratch_size() const;
};

class NormalMapMaker {
  public:
    virtual ~NormalMapMaker();

    // Builds the convolver over *image (a picture of 32-bit words) with
    // copies of both kernels and a bordered copy reaching as far as either
    // kernel does (and at least to the pixel itself); replaces any previous
    // convolver. 0 on success; negative when the handle or the bin it holds
    // is null, when the bin is not of 4-byte pixels or is empty, or when
    // memory runs out (-4). There is no convolver after a failure.
    int32_t InitializeConvolver(const ConvolutionKernel& xkernel, const ConvolutionKernel& ykernel,
                                const ImageBin* const* image, bool wrap);

    std::unique_ptr<Convolver> convolver;
};

// ---------------------------------------------------------------------------
// The steps of make_normal_map, usable on their own.
// ---------------------------------------------------------------------------
// Height conversions 1009..1016 into byte 3 (1009 keeps byte 3):
//   1010 trunc((b0 + b1 + b2) * 0.33333334)
//   1011 |a - m|, a as 1010 and m the integer mean of a over the picture;
//        bytes 0..2 become 0 (an empty picture is left alone)
//   1012 b2, 1013 b1, 1014 b0, 1015 max(b0, b1, b2)
//   1016 trunc((1 - (1 - b2/255)(1 - b1/255)(1 - b0/255)) * 255)
// Any other code changes nothing.
void convert_heights(uint8_t* pixels, int64_t count, int32_t conversion);

// Conversion 1017: every pixel's bytes 2, 1, 0 read as a biased vector,
// normalised and written back biased; byte 3 unchanged.
void renormalise_normals(uint8_t* pixels, int64_t count);

// Conversion 1018 on a width x height biased normal map: integrated heights
// as grey in bytes 0..2, scaled by `scale` over the picture's height range,
// plus `offset`; byte 3 = 255. False (nothing changed) when memory runs out.
bool normals_to_height(uint8_t* pixels, int32_t width, int32_t height, float scale, double offset);

// A unit normal from the sampled slopes. `normal` is after the final
// renormalisation; nx0, ny0 are the x and y before it.
struct SlopeNormal {
    double nx, ny, nz;
    double nx0, ny0;
};
SlopeNormal normal_from_slopes(float value_x, float value_y, float sxf, float syf);

// Encodings of a normal into bytes 2, 1, 0 of a pixel (byte 3 untouched).
void encode_biased(uint8_t* pixel, const SlopeNormal& n);
void encode_signed(uint8_t* pixel, const SlopeNormal& n);
void encode_two_channel(uint8_t* pixel, const SlopeNormal& n);

// ---------------------------------------------------------------------------
// The whole conversion.
// ---------------------------------------------------------------------------
// Settings profile keys in brackets.
struct NormalMapOptions {
    int32_t kernel = NORMALMAP_KERNEL_2X1;        // ["g_normalmap_filter"] kernel pair
    int32_t conversion = NORMALMAP_HEIGHT_ALPHA;  // ["g_normalmap_cnv"] 1009..1018
    int32_t alpha = NORMALMAP_ALPHA_HEIGHT;       // ["g_normalmap_alpha"] 1033..1036
    float scale = 2.2f;          // ["g_normalmap_scale"] slope factor; output factor of 1018
    int32_t minz = 0;            // ["g_normalmap_minz"] lower bound of byte 0 (0: none)
    bool wrap = false;           // ["g_normalmap_bwrap"] borders wrap around
    bool invert_x = false;       // ["g_normalmap_binvertx"]
    bool invert_y = false;       // ["g_normalmap_binverty"]
    bool signed_output = false;  // ["g_normalmap_bSignedOutput"]
    bool swap_rgb = false;       // ["g_normalmap_bNormalMapSwapRGB"] exchange bytes 0 and 2
};

// The pixel layout the pipeline passes: 32-bit words, byte 0 first.
constexpr int32_t NORMALMAP_LAYOUT_WORDS = 8;

constexpr int32_t NORMALMAP_OK = 0;
constexpr int32_t NORMALMAP_UNKNOWN_CONVERSION = -1;  // reported; pixels unchanged
constexpr int32_t NORMALMAP_BAD_ARGUMENT = -2;        // null pixels, negative side, other
                                                      // layout; pixels unchanged
constexpr int32_t NORMALMAP_SETUP_FAILED = -3;        // reported (maker, image bin or convolver
                                                      // could not be made, in practice memory);
                                                      // the height conversion is done
constexpr int32_t NORMALMAP_NO_MEMORY = -4;           // pixels unchanged

// Rewrites width x height pixels in place (see the top of this header).
// Kernel code 1043 writes the two-channel encoding (x, y and byte 0 = 0),
// otherwise signed_output chooses the signed encoding over the biased one.
// After the normals: minz raises byte 0 (compared as unsigned 32-bit, the
// low 8 bits stored), the alpha code sets byte 3, swap_rgb exchanges bytes 0
// and 2. Conversions 1017 and 1018 end before that post-processing.
int32_t make_normal_map(const NormalMapOptions& options, int32_t width, int32_t height,
                        uint8_t* pixels, int32_t layout);
