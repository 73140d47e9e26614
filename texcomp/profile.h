// Settings profiles: text files of "key value" lines that fill a
// TextureCompressor before a compression (the settings it shares with
// TextureSettings, which the caller's settings then replace, and the fields
// only a profile can set).
//
// Reading rules: the file is taken in pieces of at most 999 characters, each
// ending after a line break (a longer line goes on as a new piece, key and
// all); a piece ends at its first NUL byte. A piece starting with '#' is a
// comment; otherwise the key is the text before the first blank and the value
// the rest after any further blanks; a piece without a blank is ignored, and
// so is an unknown key. Keys match whole and case-sensitively.
//
// Conversions, as the C library gives them: integer = atoi (a value beyond int
// range keeps the low 32 bits of strtol's result); flag = integer != 0 (so
// "0.5" is off); 16-bit = the integer cut to int16_t; float = strtod rounded
// to float (beyond float range: infinity); text = the value without its line
// break (and a "\r" before it), cut to the field's size.
#pragma once

#include <cstdint>
#include <string>

#include "texcomp/pipeline.h"

// Largest profile file read; a profile is a few kilobytes, and a larger file
// (or an endless one such as a device) is refused rather than read forever.
constexpr int64_t PROFILE_MAX_BYTES = 16 << 20;

// Applies the profile defaults and then every line of the file at `path` to
// `tc`. Returns 0 on success; -1, with `tc` unchanged, when the file cannot be
// opened (a directory included), cannot be read whole, or is larger than
// PROFILE_MAX_BYTES. On success the profile name becomes the path.
int32_t read_profile(TextureCompressor& tc, const char* path);

// The defaults a profile starts from: TextureSettings' standard values except
// g_fade_to_color 8421504 (grey 128) and g_fade_amount 15, g_texture_format
// kept; the profile-only defaults; the profile name "<no profile loaded>".
void apply_profile_defaults(TextureCompressor& tc);

// Applies one profile line (key and value already split) to `tc`.
void apply_profile_line(TextureCompressor& tc, const char* key, const char* value);

// Copies the process-wide profile path into `out` (empty: no profile). False
// when the path that was set could not be stored or copied.
bool texture_profile_path(std::string& out);

// compress_texture's profile step: reads the profile in use, if any, into
// `tc`. 0 when there is none or it was read; otherwise read_profile's -1.
int32_t read_profile_in_use(TextureCompressor& tc);
