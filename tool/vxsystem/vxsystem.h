// vxsystem: the tool's support library.
//
// - A message log: every message is appended to "vx.log" in the working
//   directory and a copy is kept in a process-wide in-memory area.
// - Named reservations: zero-filled, 32-byte aligned blocks recorded with
//   their size and name in one process-wide table; reserving again into the
//   same pointer releases the block it held.
// - File utilities over buffered standard streams.
//
// Everything here is process-wide and unguarded: one thread only.
#pragma once

#include <cstdint>
#include <cstdio>

// ---------------------------------------------------------------------------
// Log.
// ---------------------------------------------------------------------------
// printf-style; formats, stores in the in-memory log and appends to "vx.log".
void append_log(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// ---------------------------------------------------------------------------
// Reservations.
// ---------------------------------------------------------------------------
// `slot` is the address of the caller's pointer. Releases what it held (when
// it is a live reservation) and sets it to a new zero-filled block of `size`
// bytes named `name` ("noname" when null). On failure the pointer is left null
// (or, when the old value was not a reservation, unchanged) and the reason is
// logged.
void reserve(void** slot, int32_t size, const char* name);

// ---------------------------------------------------------------------------
// Files. Mode codes of open_file.
// ---------------------------------------------------------------------------
constexpr int MODE_READ_BINARY = 30;
constexpr int MODE_WRITE_BINARY = 31;
constexpr int MODE_WRITE_TEXT = 32;

int starts_with_nocase(const char* text, const char* prefix);
FILE* open_file(const char* name, int mode);
void close_file(FILE* stream);
// Count written, or -1 for a null stream.
int32_t write_bytes(FILE* stream, const void* buffer, int32_t count);
// Bytes read into `buffer` (sized by the caller from file_size), or -1.
int32_t read_whole_file(const char* name, void* buffer);
// Size in bytes, or -1 for an empty name or a file that cannot be opened.
int32_t file_size(const char* name);
