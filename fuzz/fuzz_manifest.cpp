// The grid manifest reader and the check that trusts what it accepts.
//
// Input: the text of one manifest, read as "g.grid.json" beside no tiles.
//
// Contract: a manifest is either refused with a reason or accepted; an
// accepted one writes back to text that reads as the same manifest, and
// razivavu-inspect --check over it (every tile missing) ends with a verdict,
// never a crash, and writes no file.
#include <sys/stat.h>

#include <string>

#include "fuzz_support.h"
#include "gridfile/gridfile.h"
#include "inspect/inspect.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    GridManifest m;
    const std::string refused = manifest_from_json(text, m);
    if (!refused.empty()) return 0;
    const std::string again = manifest_to_json(m);
    GridManifest back;
    FUZZ_REQUIRE(manifest_from_json(again, back).empty());
    FUZZ_REQUIRE(manifest_to_json(back) == again);

    fuzz::enter_scratch_dir();
    const std::string path = fuzz::scratch_file("g.grid.json");
    FUZZ_REQUIRE(fuzz::write_bytes_to(path, data, size));
    FILE* sink = std::fopen("/dev/null", "w");
    FUZZ_REQUIRE(sink);
    const int verdict = run_check(fuzz::scratch_file("g"), sink, false);
    std::fclose(sink);
    // A grid of no tiles is whole; any other has every tile missing.
    FUZZ_REQUIRE(verdict == INSPECT_OK || verdict == INSPECT_BAD_FILE);
    struct stat st;
    FUZZ_REQUIRE(stat(fuzz::scratch_file("g.grid.json.part").c_str(), &st) != 0);
    std::remove(path.c_str());
    return 0;
}
