// The project's version, as the build passes it from the project's one
// definition.
#include "vxsystem/vxsystem.h"

const char* razivavu_version() { return RAZIVAVU_VERSION; }
