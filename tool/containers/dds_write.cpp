// DDS: the header the compression library writes for the format (or for
// 32-bit R, G, B, A pixels), then the levels, largest first.
#include "containers/plan.h"

namespace {

TextureStreamShape dds_shape(const ChainPlan& plan, const MipChain& chain) {
    const TextureFormatInfo* info = texture_format_info(chain.format);
    TextureStreamShape shape{};
    shape.width = chain.width;
    shape.height = chain.height;
    shape.levels = plan.levels;
    shape.linear_size = static_cast<uint32_t>(plan.level[0].out_size);
    if (plan.row->dds == DdsForm::Rgba32) {
        shape.pixel_format = DDS_RGBA32_PIXEL_FORMAT;
    } else {
        shape.pixel_format = info->header;
        shape.dxgi_format = info->dxgi_format;
        shape.alpha_mode = chain.opaque ? DX10_ALPHA_OPAQUE : DX10_ALPHA_STRAIGHT;
    }
    return shape;
}

}  // namespace

void plan_dds(ChainPlan& plan) {
    const bool dx10 = plan.row->dds == DdsForm::LibraryHeader &&
                      texture_format_info(plan.row->format)->dxgi_format;
    plan.head_bytes = 128 + (dx10 ? DX10_HEADER_BYTES : 0);
    int64_t at = plan.head_bytes;
    for (int32_t k = 0; k < plan.levels; ++k) {
        plan.level[k].out_offset = at;
        at += plan.level[k].out_size;
    }
    plan.file_size = at;
}

bool write_dds(Output& out, const ChainPlan& plan, const MipChain& chain) {
    uint8_t head[TEXTURE_STREAM_HEADER_MAX_BYTES];
    const int32_t n = texture_stream_header(dds_shape(plan, chain), head);
    if (n != plan.head_bytes || !out.put(head, static_cast<size_t>(n))) return false;
    for (int32_t k = 0; k < plan.levels; ++k)
        if (!put_level(out, plan, chain, plan.level[k])) return false;
    return true;
}
