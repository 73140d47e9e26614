// Window arithmetic. Corners are inclusive, so a window of one pixel has
// x0 == x1 and nx == 1.
#include <algorithm>

#include "zoom/zoom.h"

void window_set_size(ZoomWindow& w) {
    w.nx = w.x1 - w.x0 + 1;
    w.ny = w.y1 - w.y0 + 1;
}

void window_set_corner(ZoomWindow& w) {
    w.x1 = w.x0 + w.nx - 1;
    w.y1 = w.y0 + w.ny - 1;
}

void window_intersect(const ZoomWindow& a, const ZoomWindow& b, ZoomWindow& out) {
    // Read everything first: `out` may be `a` or `b`.
    ZoomWindow r = out;
    r.x0 = std::max(a.x0, b.x0);
    r.y0 = std::max(a.y0, b.y0);
    r.x1 = std::min(a.x1, b.x1);
    r.y1 = std::min(a.y1, b.y1);
    window_set_size(r);
    out = r;
}

int window_overlap(const ZoomWindow& a, const ZoomWindow& b) {
    if (b.x1 < a.x0 || a.x1 < b.x0 || b.y1 < a.y0 || a.y1 < b.y0) return 0;
    return 1;
}

void window_print(const char* prefix, const ZoomWindow& w) {
    zoom_message("%s{%d,%d,%d,%d}%dx%d", prefix, w.x0, w.y0, w.x1, w.y1, w.nx, w.ny);
}

ZoomWindow* picture_get_window(PictureDevice* pic, ZoomWindow* win) {
    // Without a window of the caller's there is nothing to fill: a record
    // kept for such calls would be shared by every caller on every thread.
    // picture_window gives the result by value instead.
    if (!win) return nullptr;
    int nx = 0;
    int ny = 0;
    pic->get_box(&win->x0, &win->y0, &nx, &ny);
    win->x1 = win->x0 + nx - 1;
    win->y1 = win->y0 + ny - 1;
    return win;
}

ZoomWindow picture_window(PictureDevice* pic) {
    ZoomWindow win{};
    picture_get_window(pic, &win);
    return win;
}

void picture_set_window(PictureDevice* pic, const ZoomWindow& win) {
    pic->set_box(win.x0, win.y0, win.x1 - win.x0 + 1, win.y1 - win.y0 + 1);
}
