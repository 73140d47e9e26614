// razivavu-inspect --html DIR BASE: a page that pans and zooms through the
// tile grid of a razivavu run, as an engine would show it.
//
// DIR receives
//   index.html, viewer.js, viewer.css   the page (no network, no server: it
//                                       opens from the file system)
//   grid.js                             the grid: tile size, the picture's
//                                       size when the grid manifest gives it,
//                                       which levels each tile stores, the
//                                       DXT1 PSNR of every stored level (as
//                                       --compare)
//   tiles/<col>_<row>_<level>.png       every stored level of every tile,
//   tiles/<col>_<row>_<level>c.png      24-bit and DXT1, decoded by texfile
//
// Every file is written under "<name>.part" and renamed when complete;
// index.html comes last, so a page that opens has all it needs.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// The page's own files, built into the command from tool/inspect/viewer/.
struct ViewerAsset {
    const char* name;
    const char* text;
};
extern const ViewerAsset VIEWER_ASSETS[];
extern const size_t VIEWER_ASSET_COUNT;

// Writes the viewer of BASE's tile grid into `dir` (made when missing).
// Returns the exit code: INSPECT_BAD_FILE when the run is incomplete or a
// tile file fails its check (the message names it), INSPECT_OUTPUT when a
// file cannot be written. On success prints the page's path and the
// file:// address to open on `out`.
int run_viewer(const std::string& base, const std::string& dir, FILE* out, FILE* err);
