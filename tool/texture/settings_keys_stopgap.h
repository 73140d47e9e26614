// STOPGAP, to be deleted: the settings-profile keys of TextureSettings, until
// the compression library publishes texture_settings_set_key in
// texcomp/texcomp.h (same name and contract, so the switch is: delete this
// file and settings_keys_stopgap.cpp, include texcomp/texcomp.h instead).
//
// Applies one key with the profile's conversion rules (the value's leading
// number: flags non-zero, integers, 16-bit integers truncated, floats).
// Returns 1 when `key` names a TextureSettings field and it was applied, 0
// otherwise.
#pragma once

#include "texcomp/texcomp.h"

int texture_settings_set_key(TextureSettings* s, const char* key, const char* value);
