// The checks of a chain, the level bytes into the container's pixel order,
// and the entries of the library.
#include <algorithm>
#include <new>

#include "containers/plan.h"

namespace {

std::string size_text(int32_t w, int32_t h) {
    return std::to_string(w) + " x " + std::to_string(h);
}

int32_t binary_digits(int32_t v) {
    int32_t n = 0;
    for (uint32_t m = static_cast<uint32_t>(v); m; m >>= 1) ++n;
    return n;
}

// Both containers' readers size level k as each side shifted down k times,
// never below 1; the library halves rounding up. The chain is written only
// where the two agree.
std::string check_sizes(const MipChain& chain, ChainPlan& plan) {
    const int32_t w = chain.width, h = chain.height;
    if (w < 1 || h < 1 || w > MAX_CHAIN_SIDE || h > MAX_CHAIN_SIDE)
        return "a first level of " + size_text(w, h) + " pixels: the sides must be 1 .. " +
               std::to_string(MAX_CHAIN_SIDE);
    const int32_t most = binary_digits(std::max(w, h));
    const std::string count = std::to_string(chain.levels) + " levels: a chain from " +
                              size_text(w, h) + " has 1 .. " + std::to_string(most);
    if (chain.levels < 1) return count;
    int32_t lw = w, lh = h;
    int64_t offset = 0;
    const int32_t code = static_cast<int32_t>(chain.format);
    for (int32_t k = 0; k < chain.levels; ++k) {
        // The sizes first: the library's chain of sides that are not powers
        // of two is longer, and its sizes say why.
        if (k == most) return count;
        const int32_t rw = std::max(1, w >> k), rh = std::max(1, h >> k);
        if (lw != rw || lh != rh)
            return "the library's chain from " + size_text(w, h) + " halves to " +
                   size_text(lw, lh) + " at level " + std::to_string(k) + " (it rounds up), " +
                   container_name(plan.container) + " readers expect " + size_text(rw, rh) +
                   ": give sides that are powers of two, or one level";
        LevelPlan& level = plan.level[k];
        level.width = lw;
        level.height = lh;
        level.in_offset = offset;
        level.in_size = texture_level_size(code, lw, lh);
        offset += level.in_size;
        lw = (lw + 1) / 2;
        lh = (lh + 1) / 2;
    }
    if (chain.size != offset || (offset > 0 && !chain.bytes))
        return std::to_string(chain.size) + " bytes handed in, where " +
               std::to_string(chain.levels) + " levels of " +
               texture_format_info(chain.format)->name + " from " + size_text(w, h) + " hold " +
               std::to_string(offset);
    plan.levels = chain.levels;
    return "";
}

// The bytes each level takes in the container, and whether they agree with
// what the layout row says a level of that size holds.
std::string size_out(const MipChain& chain, ChainPlan& plan) {
    const TextureFormatInfo* info = texture_format_info(chain.format);
    const bool pixels = info->block_mode < 0;
    if (pixels) {
        plan.in_pixel = info->bits_per_pixel / 8;
        plan.out_pixel = plan.container == Container::Ktx2 ? plan.layout->block_bytes : 4;
        // The containers store red first.
        plan.exchange = chain.order == ColourOrder::BlueFirst;
    }
    for (int32_t k = 0; k < plan.levels; ++k) {
        LevelPlan& level = plan.level[k];
        level.out_size = pixels ? level.in_size / plan.in_pixel * plan.out_pixel : level.in_size;
        if (plan.container != Container::Ktx2) continue;
        const Ktx2Layout& l = *plan.layout;
        const int64_t blocks = int64_t{(level.width + l.block_width - 1) / l.block_width} *
                               ((level.height + l.block_height - 1) / l.block_height);
        if (blocks * l.block_bytes != level.out_size)
            return "a level of " + size_text(level.width, level.height) + " has " +
                   std::to_string(level.out_size) + " bytes of " + info->name + ", a " + l.vk_name +
                   " level " + std::to_string(blocks * l.block_bytes);
    }
    return "";
}

// Pixels rewritten in runs of this many, through a buffer on the stack.
constexpr int64_t RUN_PIXELS = 1024;

}  // namespace

std::string plan_chain(Container container, const MipChain& chain, ChainPlan& plan) {
    plan = ChainPlan{};
    plan.container = container;
    const std::string refused = container_format_refusal(container, chain.format);
    if (!refused.empty()) return refused;
    plan.row = container_format(chain.format);
    plan.layout = ktx2_layout(plan.row->vk_format);
    std::string reason = check_sizes(chain, plan);
    if (reason.empty()) reason = size_out(chain, plan);
    if (!reason.empty()) return reason;
    if (container == Container::Ktx2)
        plan_ktx2(plan);
    else
        plan_dds(plan);
    return "";
}

bool Output::zeros(int64_t count) {
    static const uint8_t nothing[64] = {};
    for (; count > 0; count -= static_cast<int64_t>(sizeof(nothing)))
        if (!put(nothing, static_cast<size_t>(std::min<int64_t>(count, sizeof(nothing)))))
            return false;
    return true;
}

bool put_level(Output& out, const ChainPlan& plan, const MipChain& chain, const LevelPlan& level) {
    const uint8_t* in = chain.bytes + level.in_offset;
    if (plan.in_pixel == 0 || (plan.in_pixel == plan.out_pixel && !plan.exchange))
        return out.put(in, static_cast<size_t>(level.in_size));
    uint8_t run[RUN_PIXELS * 4];
    const int64_t pixels = level.in_size / plan.in_pixel;
    const int first = plan.exchange ? 2 : 0;
    for (int64_t done = 0; done < pixels; done += RUN_PIXELS) {
        const int64_t n = std::min(RUN_PIXELS, pixels - done);
        const uint8_t* p = in + done * plan.in_pixel;
        uint8_t* o = run;
        for (int64_t i = 0; i < n; ++i, p += plan.in_pixel, o += plan.out_pixel) {
            o[0] = p[first];
            o[1] = p[1];
            o[2] = p[2 - first];
            // A 24-bit level gains an opaque alpha where the container wants four bytes.
            if (plan.out_pixel == 4) o[3] = plan.in_pixel == 4 ? p[3] : 255;
        }
        if (!out.put(run, static_cast<size_t>(n * plan.out_pixel))) return false;
    }
    return true;
}

std::string container_chain_refusal(Container container, const MipChain& chain) {
    ChainPlan plan;
    return plan_chain(container, chain, plan);
}

int64_t container_file_size(Container container, const MipChain& chain) {
    ChainPlan plan;
    return plan_chain(container, chain, plan).empty() ? plan.file_size : 0;
}

ContainerResult write_container(Container container, const MipChain& chain, ContainerSink sink,
                                void* user, std::string* reason) {
    ChainPlan plan;
    const std::string refused = plan_chain(container, chain, plan);
    if (!refused.empty()) {
        if (reason) *reason = refused;
        return ContainerResult::Refused;
    }
    Output out{sink, user};
    const bool written =
        container == Container::Ktx2 ? write_ktx2(out, plan, chain) : write_dds(out, plan, chain);
    return written ? ContainerResult::Written : ContainerResult::SinkFailed;
}

namespace {

bool append(const uint8_t* bytes, size_t count, void* user) {
    auto* out = static_cast<std::vector<uint8_t>*>(user);
    out->insert(out->end(), bytes, bytes + count);
    return true;
}

}  // namespace

ContainerResult container_bytes(Container container, const MipChain& chain,
                                std::vector<uint8_t>& out, std::string* reason) {
    out.clear();
    try {
        out.reserve(static_cast<size_t>(container_file_size(container, chain)));
        return write_container(container, chain, append, &out, reason);
    } catch (const std::bad_alloc&) {
        out.clear();
        return ContainerResult::NoMemory;
    }
}
