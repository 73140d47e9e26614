// Peer encoders the benchmark compares with, linked into the benchmark only.
// Each one fills 8-byte DXT1 blocks, row of blocks by row of blocks, for an
// image of whole blocks given as R, G, B, A bytes; all run on one thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PeerEncoder {
    std::string name;
    // Encodes width x height pixels (multiples of 4) into `blocks`.
    void (*encode)(const uint8_t* rgba, int width, int height, uint8_t* blocks, int variant);
    int variant;
};

// The peers found when the benchmark was built, and a note for each one that
// was not (for the report).
std::vector<PeerEncoder> available_peers();
std::vector<std::string> missing_peers();
