// Files under construction and the signals that end a run.
//
// Every ".part" file a command writes is entered in a fixed table before it
// is created and taken out once it has its final name or is removed. A
// handler for SIGINT, SIGTERM and SIGHUP unlinks what the table holds and
// ends the process with the signal's own status. The handler may interrupt
// any thread at any point, so the table is plain memory and atomics: no
// lock, no allocation, only unlink and the signal calls inside the handler.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "vxsystem/vxsystem.h"

namespace {

enum SlotState : int { FREE = 0, FILLING = 1, HELD = 2, FOLDER = 3 };

struct PartSlot {
    std::atomic<int> state{FREE};
    char path[PATH_MAX];
};

PartSlot g_slots[PART_FILE_SLOTS];
// Set once a signal (or a failure that ends the run) removes the files;
// creations that start afterwards do not happen.
std::atomic<int> g_stopping{0};
// Creations between their check of g_stopping and the moment their file is
// in the table and on disk: the cleanup waits for these to end.
std::atomic<int> g_creating{0};

// The entries of one folder, then the folder, with nothing but system calls
// and the stack (a signal handler may not allocate): the entries are read
// with getdents64, as opendir would allocate. Each pass reads from the
// start again, since removing entries while reading may skip some.
void remove_tree(const char* path, int depth) {
    for (int pass = 0; pass < 8; ++pass) {
        if (rmdir(path) == 0 || (errno != ENOTEMPTY && errno != EEXIST)) return;
        const int fd = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) return;
        alignas(8) char buffer[4096];
        for (;;) {
            const long n = syscall(SYS_getdents64, fd, buffer, sizeof buffer);
            if (n <= 0) break;
            for (long at = 0; at < n;) {
                struct Entry {
                    uint64_t inode;
                    int64_t offset;
                    unsigned short length;
                    unsigned char type;
                    char name[1];
                };
                const Entry* e = reinterpret_cast<const Entry*>(buffer + at);
                at += e->length;
                if (std::strcmp(e->name, ".") == 0 || std::strcmp(e->name, "..") == 0) continue;
                if (unlinkat(fd, e->name, 0) == 0 || depth <= 0) continue;
                char child[PATH_MAX];
                const size_t a = std::strlen(path), b = std::strlen(e->name);
                if (a + 1 + b >= sizeof child) continue;
                std::memcpy(child, path, a);
                child[a] = '/';
                std::memcpy(child + a + 1, e->name, b + 1);
                remove_tree(child, depth - 1);
            }
        }
        close(fd);
    }
}

void unlink_held() {
    for (PartSlot& s : g_slots)
        if (s.state.load() == HELD) unlink(s.path);
    // Folders after files: their own part files are gone first.
    for (PartSlot& s : g_slots)
        if (s.state.load() == FOLDER) remove_tree(s.path, 2);
}

// The cleanup proper. A creation on the thread the signal interrupted can
// never end, so the wait is bounded.
void remove_all() {
    g_stopping.store(1);
    for (int i = 0; i < 200 && g_creating.load() > 0; ++i) {
        const struct timespec pause = {0, 1000000};  // 1 ms
        nanosleep(&pause, nullptr);
    }
    unlink_held();
}

void on_signal(int sig) {
    const int saved = errno;
    remove_all();
    // The default action, now: the status the shell sees is the signal's.
    struct sigaction dfl;
    std::memset(&dfl, 0, sizeof dfl);
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(sig, &dfl, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, sig);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(sig);
    errno = saved;
}

}  // namespace

void install_part_file_cleanup() {
    const int signals[] = {SIGINT, SIGTERM, SIGHUP};
    for (const int sig : signals) {
        struct sigaction was;
        // A signal ignored by whoever started us (nohup) stays ignored.
        if (sigaction(sig, nullptr, &was) == 0 && was.sa_handler == SIG_IGN) continue;
        struct sigaction act;
        std::memset(&act, 0, sizeof act);
        act.sa_handler = on_signal;
        sigemptyset(&act.sa_mask);
        for (const int other : signals) sigaddset(&act.sa_mask, other);
        sigaction(sig, &act, nullptr);
    }
}

int create_part_file(const char* path) {
    const size_t length = std::strlen(path);
    if (length == 0 || length >= PATH_MAX) {
        errno = ENAMETOOLONG;
        return -1;
    }
    g_creating.fetch_add(1);
    if (g_stopping.load()) {
        g_creating.fetch_sub(1);
        errno = EINTR;
        return -1;
    }
    int slot = -1;
    for (int i = 0; i < PART_FILE_SLOTS && slot < 0; ++i) {
        int expected = FREE;
        if (g_slots[i].state.compare_exchange_strong(expected, FILLING)) slot = i;
    }
    if (slot < 0) {
        g_creating.fetch_sub(1);
        errno = EMFILE;
        return -1;
    }
    std::memcpy(g_slots[slot].path, path, length + 1);
    g_slots[slot].state.store(HELD);
    // A ".part" left by a run that was killed outright is in the way: it
    // goes first. unlink removes a planted symbolic link itself, never what
    // it points to; a folder under the name stays and the creation below
    // fails on it.
    unlink(path);
    // Created new, never through a link: something that appeared under the
    // name in between is refused, not overwritten.
    const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    const int error = errno;
    g_creating.fetch_sub(1);
    if (fd < 0) {
        g_slots[slot].state.store(FREE);
        errno = error;
        return -1;
    }
    return fd;
}

void forget_part_file(const char* path) {
    for (PartSlot& s : g_slots) {
        if (s.state.load() == HELD && std::strcmp(s.path, path) == 0) {
            s.state.store(FREE);
            return;
        }
    }
}

void remove_part_files() { remove_all(); }

int enter_part_folder(const char* path) {
    const size_t length = std::strlen(path);
    if (length == 0 || length >= PATH_MAX) {
        errno = ENAMETOOLONG;
        return -1;
    }
    if (g_stopping.load()) {
        errno = EINTR;
        return -1;
    }
    for (PartSlot& s : g_slots) {
        int expected = FREE;
        if (s.state.compare_exchange_strong(expected, FILLING)) {
            std::memcpy(s.path, path, length + 1);
            s.state.store(FOLDER);
            return 0;
        }
    }
    errno = EMFILE;
    return -1;
}

void forget_part_folder(const char* path) {
    for (PartSlot& s : g_slots) {
        if (s.state.load() == FOLDER && std::strcmp(s.path, path) == 0) {
            s.state.store(FREE);
            return;
        }
    }
}

void remove_folder_tree(const char* path) { remove_tree(path, 2); }

int finish_part_file(FILE* file, const char* part, const char* output, bool keep,
                     int& error_number) {
    // The first failure's reason is the one reported: a short write before
    // this, then the flush (a full disk often shows only here), the close,
    // the rename.
    const auto note = [&](bool ok) {
        if (!ok && error_number == 0) error_number = errno != 0 ? errno : EIO;
        return ok;
    };
    errno = 0;
    const bool flushed = note(std::fflush(file) == 0 && !std::ferror(file));
    errno = 0;
    const bool closed = note(std::fclose(file) == 0);
    errno = 0;
    const bool renamed = keep && flushed && closed && note(std::rename(part, output) == 0);
    if (!renamed) std::remove(part);
    forget_part_file(part);
    return renamed ? 1 : 0;
}
