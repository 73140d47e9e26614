// The companion alpha file of a 24-bit BMP: which files may be taken as one.
#include <sys/stat.h>

#include "imageio/bmp_layout.h"
#include "imageio/loader_log.h"
#include "vxsystem/vxsystem.h"

bool bmp_companion_is_regular(const std::string& name) {
    struct stat st;
    if (stat(name.c_str(), &st) != 0) return false;
    if (!S_ISREG(st.st_mode)) {
        append_log("vxgl:  alpha file %s is not a regular file; not used\n", name.c_str());
        return false;
    }
    return true;
}
