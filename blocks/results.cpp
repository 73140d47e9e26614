// Readable reasons for the block encoder's results.
#include "blocks/blocks.h"

const char* block_result_message(int result) {
    switch (result) {
        case BLOCKS_OK:
            return "encoded";
        case BLOCKS_REFUSED:
            return "the block encoder refused the call: unknown mode, missing pixels or buffer, "
                   "or a buffer too small for the level";
        default:
            return "unknown block encoder result";
    }
}
