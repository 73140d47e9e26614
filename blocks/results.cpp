// Readable reasons for the block encoder's results.
#include "blocks/blocks.h"

const char* block_result_message(BlockResult result) {
    switch (result) {
        case BlockResult::Ok:
            return "encoded";
        case BlockResult::Refused:
            return "the block encoder refused the call: unknown mode, missing pixels or buffer, "
                   "a pitch shorter than a row, rows outside the level, or a buffer too small "
                   "for them";
        case BlockResult::NoMemory:
            return "the ASTC codec could not get its working memory";
        case BlockResult::CodecFailed:
            return "the ASTC codec refused the call or failed";
    }
    return "unknown block encoder result";
}
