// vxsystem: the tool's support library.
//
// - A message log: every message is appended to "vx.log" in the working
//   directory.
// - Named reservations: zero-filled, 32-byte aligned blocks recorded with
//   their size and name in one process-wide table; reserving again into the
//   same pointer releases the block it held.
// - File utilities over buffered standard streams.
//
// The log and the reservation table are process-wide by design (one log
// file, one table of named blocks); each is guarded by its own lock, so any
// thread may log or reserve. What reserve_slot returns is a view into the
// shared table: read it while no other thread reserves.
#pragma once

#include <cstdint>
#include <cstdio>

// ---------------------------------------------------------------------------
// Log.
// ---------------------------------------------------------------------------
// Size of the message buffer: a formatted message longer than
// LOG_MESSAGE_MAX - 1 bytes is cut to that length.
constexpr int32_t LOG_MESSAGE_MAX = 4096;

// The environment variable that sends the log elsewhere: RAZIVAVU_LOG=FILE
// appends to FILE instead of "vx.log", RAZIVAVU_LOG= (empty) keeps no log.
constexpr const char* LOG_FILE_VARIABLE = "RAZIVAVU_LOG";

// printf-style; formats and appends to "vx.log". A "vx.log" that cannot be
// opened is skipped silently.
void append_log(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// ---------------------------------------------------------------------------
// Reservations.
// ---------------------------------------------------------------------------
constexpr int32_t RESERVE_SLOTS = 32000;
constexpr int32_t RESERVE_NAME_SIZE = 64;

// One slot of the process-wide table; `block` null marks a free slot.
struct ReserveSlot {
    void* block = nullptr;
    int32_t size = 0;
    char name[RESERVE_NAME_SIZE] = {};
};

// `slot` is the address of the caller's pointer. Releases what it held (when
// it is a live reservation: the old block is zero-filled and freed) and sets
// it to a new zero-filled block of `size` bytes named `name` (at most 63
// characters kept; "noname" when null). Returns 1 when the pointer holds the
// new block, 0 otherwise:
// - the old value is not a live reservation: "vxsystem:  ERROR, unable to
//   release memory" is logged, the old memory is not touched, and a new block
//   is reserved as usual;
// - the table is full: "vxsystem:  ERROR, too many reserves" is logged and
//   the pointer keeps its value after the release step (null when released);
// - a negative size or a failed allocation: logged, and the pointer is null.
int reserve(void** slot, int32_t size, const char* name);

// Releases the live reservation `*slot` holds (zero-filled and freed) and
// sets the pointer to null; a null pointer is left alone. 0 when the pointer
// is not a live reservation ("unable to release memory" is logged).
int release_reservation(void** slot);

// Typed convenience for `reserve` and `release_reservation`.
template <typename T>
int release_block(T** slot) {
    void* p = *slot;
    const int ok = release_reservation(&p);
    *slot = static_cast<T*>(p);
    return ok;
}
// Typed convenience for `reserve`.
template <typename T>
int reserve_block(T** slot, int32_t size, const char* name) {
    void* p = *slot;
    int ok = reserve(&p, size, name);
    *slot = static_cast<T*>(p);
    return ok;
}

// Table inspection: a slot by index (0 .. RESERVE_SLOTS - 1), the number of
// live reservations and the total of their sizes in bytes.
const ReserveSlot& reserve_slot(int32_t index);
int32_t reserve_count();
int64_t reserve_total();

// ---------------------------------------------------------------------------
// Files. Mode codes of open_file.
// ---------------------------------------------------------------------------
constexpr int MODE_READ_BINARY = 30;
constexpr int MODE_WRITE_BINARY = 31;
constexpr int MODE_WRITE_TEXT = 32;

// 1 when `text` starts with `prefix`, folding only 'A'-'Z' to lower case;
// 0 when it does not or when `text` is shorter than `prefix`.
int starts_with_nocase(const char* text, const char* prefix);
// Null for a null or empty name, an unknown mode code or a failed open,
// with errno the reason (see open_failure_text). MODE_READ_BINARY opens
// regular files only and never waits: a folder gives EISDIR, a FIFO, a
// device or a socket EINVAL.
FILE* open_file(const char* name, int mode);
// The reason of a failed open_file or file_size as the user reads it:
// "not a regular file" for EINVAL, the system's text (strerror) otherwise.
const char* open_failure_text(int error);
// Closes a non-null stream. 0 when everything buffered reached the file,
// EOF when the stream had a write error or the close failed.
int close_file(FILE* stream);
// Count written, or -1 for a null stream or a negative count.
int32_t write_bytes(FILE* stream, const void* buffer, int32_t count);
// Reads the file into `buffer`, at most `capacity` bytes; bytes read, or -1
// for an empty name, a file that cannot be opened or is not a regular file,
// or one of 2 GiB or more (this reads files whole).
int32_t read_whole_file(const char* name, void* buffer, int32_t capacity);
// Size in bytes, 64 bits (pictures may pass 4 GiB), or -1 for an empty name,
// a file that cannot be opened, or a file that is not a regular file, with
// errno set as open_file sets it.
int64_t file_size(const char* name);
// Makes the folder `path` and the folders above it that are missing. 0 when
// `path` is a folder afterwards, else the reason (an errno value) of the
// first folder that could not be made: EACCES, ENOSPC, EROFS, ENOTDIR for a
// file standing where a folder above it should be, ...; EEXIST when `path`
// itself names something that is not a folder.
int make_folders(const char* path);
// Writes all `size` bytes to the descriptor, again after an interrupted or
// short write. 0 when written, else the reason (an errno value; EIO for a
// write that took nothing).
int write_all(int fd, const void* data, size_t size);

// ---------------------------------------------------------------------------
// Files under construction. Every command writes an output as "<name>.part"
// and renames it when complete; these calls keep the ".part" files of the
// process in one table, so that a run ended by a signal or by a failure
// leaves none behind.
// ---------------------------------------------------------------------------
// ".part" files that may exist at once in one process.
constexpr int PART_FILE_SLOTS = 512;

// SIGINT, SIGTERM and SIGHUP (unless ignored when the process started)
// remove the ".part" files in the table, then end the process with the
// signal's usual status. Called once, at the start of a command.
void install_part_file_cleanup();

// Enters `path` in the table, removes whatever has that name (a ".part" left
// by a run that was killed outright; a symbolic link is removed itself, its
// target is never touched) and creates it new, never through a link (a
// folder under the name makes it fail). Returns the open descriptor; -1 with
// errno set (and nothing entered) otherwise.
int create_part_file(const char* path);

// Takes `path` out of the table once it has its final name or is removed.
void forget_part_file(const char* path);

// Flushes and closes `file` (the open `part`), then gives it the name
// `output` when `keep` says its content is whole; removes it otherwise. 1
// when the file has its name, else 0; the first failure's reason (an errno
// value) goes to `error_number` unless it holds one already.
int finish_part_file(FILE* file, const char* part, const char* output, bool keep,
                     int& error_number);

// A folder under construction (an output assembled apart, then moved into
// place): entered in the same table, and on a signal or a failure removed
// with everything in it, two levels of folders deep. 0 when entered; -1 with
// errno set when the table is full, the name too long or the run ending.
int enter_part_folder(const char* path);
// Takes the folder out of the table (it is moved into place or removed).
void forget_part_folder(const char* path);
// Removes the folder and what it holds (two levels deep), as the cleanup
// does; what it cannot remove stays.
void remove_folder_tree(const char* path);

// Removes every ".part" file in the table and refuses later creations: for a
// process that is ending on a failure it cannot recover from.
void remove_part_files();

// A command's main(): installs the ".part" cleanup, then returns run(argc,
// argv). When an allocation fails anywhere in the run (std::bad_alloc
// reaching this frame), the ".part" files are removed, `prefix` followed by
// "not enough memory; ..." goes to standard error and the result is
// `no_memory_code`.
int run_command(int (*run)(int, char**), int argc, char** argv, const char* prefix,
                int no_memory_code);

// The project's version ("1.0.0"), the same for every command and library.
const char* razivavu_version();
