// The two tables: the KTX2 layouts by Vulkan number, and the library's
// formats with their form in each container.
#include "containers/plan.h"

namespace {

// The Vulkan numbers (docs/KTX2.md: each checked against ktx-parse).
constexpr uint32_t VK_R8G8B8_UNORM = 23;
constexpr uint32_t VK_R8G8B8A8_UNORM = 37;
constexpr uint32_t VK_BC1_RGB_UNORM_BLOCK = 131;
constexpr uint32_t VK_BC7_UNORM_BLOCK = 145;
constexpr uint32_t VK_ASTC_4x4_UNORM_BLOCK = 157;
constexpr uint32_t VK_ASTC_6x6_UNORM_BLOCK = 165;
constexpr uint32_t VK_ASTC_8x8_UNORM_BLOCK = 171;

// The descriptor's channel ids: red, green, blue and alpha of the RGBSDA
// model; the one colour (or data) channel of the block models is 0.
constexpr uint8_t RED = 0, GREEN = 1, BLUE = 2, ALPHA = 15, BLOCK_DATA = 0;

// Eight bits a channel: one-pixel blocks, one sample a channel in byte order.
constexpr Ktx2Layout rgb(uint32_t vk, const char* name) {
    return {vk, name, 1, 1, 3, 1, KTX2_MODEL_RGBSDA, 3, {RED, GREEN, BLUE, 0}};
}
constexpr Ktx2Layout rgba(uint32_t vk, const char* name) {
    return {vk, name, 1, 1, 4, 1, KTX2_MODEL_RGBSDA, 4, {RED, GREEN, BLUE, ALPHA}};
}
// Square blocks of `bytes` bytes, one sample over the whole block.
constexpr Ktx2Layout blocks(uint32_t vk, const char* name, uint8_t side, uint8_t bytes,
                            uint8_t model) {
    return {vk, name, side, side, bytes, 1, model, 1, {BLOCK_DATA}};
}

constexpr Ktx2Layout LAYOUTS[] = {
    rgb(VK_R8G8B8_UNORM, "R8G8B8_UNORM"),
    rgba(VK_R8G8B8A8_UNORM, "R8G8B8A8_UNORM"),
    blocks(VK_BC1_RGB_UNORM_BLOCK, "BC1_RGB_UNORM_BLOCK", 4, 8, KTX2_MODEL_BC1A),
    blocks(VK_BC7_UNORM_BLOCK, "BC7_UNORM_BLOCK", 4, 16, KTX2_MODEL_BC7),
    blocks(VK_ASTC_4x4_UNORM_BLOCK, "ASTC_4x4_UNORM_BLOCK", 4, 16, KTX2_MODEL_ASTC),
    blocks(VK_ASTC_6x6_UNORM_BLOCK, "ASTC_6x6_UNORM_BLOCK", 6, 16, KTX2_MODEL_ASTC),
    blocks(VK_ASTC_8x8_UNORM_BLOCK, "ASTC_8x8_UNORM_BLOCK", 8, 16, KTX2_MODEL_ASTC),
};

using F = TextureFormat;

// A format the library makes, in a container: one row, in format code
// order. The ASTC formats will name their layout rows above and
// DdsForm::None.
constexpr ContainerFormat FORMATS[] = {
    {F::Dxt1, VK_BC1_RGB_UNORM_BLOCK, DdsForm::LibraryHeader},
    {F::Argb8888, VK_R8G8B8A8_UNORM, DdsForm::Rgba32},
    {F::Rgb888, VK_R8G8B8_UNORM, DdsForm::Rgba32},
    {F::Bc7, VK_BC7_UNORM_BLOCK, DdsForm::LibraryHeader},
    // DDS has no number for ASTC: KTX2 alone carries it.
    {F::Astc4x4, VK_ASTC_4x4_UNORM_BLOCK, DdsForm::None},
    {F::Astc6x6, VK_ASTC_6x6_UNORM_BLOCK, DdsForm::None},
    {F::Astc8x8, VK_ASTC_8x8_UNORM_BLOCK, DdsForm::None},
};

constexpr bool every_format_has_its_layout() {
    for (const ContainerFormat& f : FORMATS) {
        bool found = false;
        for (const Ktx2Layout& l : LAYOUTS) found = found || l.vk_format == f.vk_format;
        if (!found) return false;
    }
    return true;
}
static_assert(every_format_has_its_layout(), "each format names a layout row");

}  // namespace

const char* container_name(Container container) {
    return container == Container::Ktx2 ? "KTX2" : "DDS";
}

const ContainerFormat* container_format(TextureFormat format) {
    for (const ContainerFormat& f : FORMATS)
        if (f.format == format) return &f;
    return nullptr;
}

const ContainerFormat* container_format_of_vk(uint32_t vk_format) {
    for (const ContainerFormat& f : FORMATS)
        if (f.vk_format == vk_format) return &f;
    return nullptr;
}

const Ktx2Layout* ktx2_layout(uint32_t vk_format) {
    for (const Ktx2Layout& l : LAYOUTS)
        if (l.vk_format == vk_format) return &l;
    return nullptr;
}

const Ktx2Layout* ktx2_layouts(int32_t* count) {
    if (count) *count = static_cast<int32_t>(sizeof(LAYOUTS) / sizeof(LAYOUTS[0]));
    return LAYOUTS;
}

std::string container_format_refusal(Container container, TextureFormat format) {
    const ContainerFormat* row = container_format(format);
    if (row && (container == Container::Ktx2 || row->dds != DdsForm::None)) return "";
    const TextureFormatInfo* info = texture_format_info(format);
    const std::string name =
        info ? info->name : "format " + std::to_string(static_cast<int32_t>(format));
    if (row) return name + " has no DDS form: no DDS header names its blocks; KTX2 holds it";
    std::string takes;
    size_t n = 0;
    for (const ContainerFormat& f : FORMATS) {
        if (container == Container::Dds && f.dds == DdsForm::None) continue;
        ++n;
    }
    size_t k = 0;
    for (const ContainerFormat& f : FORMATS) {
        if (container == Container::Dds && f.dds == DdsForm::None) continue;
        takes += (k == 0 ? "" : (k + 1 == n ? " and " : ", "));
        takes += texture_format_info(f.format)->name;
        ++k;
    }
    return name + " has no " + container_name(container) +
           " form here: " + container_name(container) + " files take " + takes;
}
