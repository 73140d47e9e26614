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
    }
    return "unknown block encoder result";
}
