/* A preload library that makes the Nth allocation of a process fail.
 *
 * LD_PRELOAD=librazivavu_fail_nth.so with
 *   RAZIVAVU_FAIL_AT=N       the Nth call of malloc, calloc, realloc,
 *                            aligned_alloc, posix_memalign or memalign (1 is
 *                            the first) returns null (ENOMEM); unset or 0
 *                            fails none
 *   RAZIVAVU_FAIL_REPORT=F   at exit, F receives "count C" (the allocations
 *                            made) and, when one was failed, "failed SITE"
 *   RAZIVAVU_FAIL_SITES=1    F also receives "site I SITE" for every
 *                            allocation I, so a caller can aim at each site
 *   RAZIVAVU_FAIL_SITE=SITE  instead of the Nth allocation, the first one
 *                            made at SITE fails (with threads, the Nth
 *                            allocation is not always at the same site)
 *
 * operator new allocates through malloc, and so do libpng, libtiff and
 * libjpeg, so every allocation of the commands passes here. A SITE is the
 * first caller outside the C and C++ runtimes and this library, as
 * "<module>+<offset>", stable from run to run. Everything here avoids the
 * heap: the tables are static and the report is written with write(2).
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <execinfo.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdatomic.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

extern void* __libc_malloc(size_t);
extern void* __libc_calloc(size_t, size_t);
extern void* __libc_realloc(void*, size_t);
extern void* __libc_memalign(size_t, size_t);

#define MAX_SITES 8192
#define MAX_RECORDED (1 << 20)
#define SITE_TEXT 96

static atomic_long g_count;
static long g_fail_at;
static char g_fail_site[SITE_TEXT];
static int g_record;
static int g_ready;
static char g_report[4096];
static char g_failed_site[SITE_TEXT];
static atomic_int g_failed;

static char g_sites[MAX_SITES][SITE_TEXT];
static atomic_int g_site_count;
static unsigned short g_site_of[MAX_RECORDED];
static pthread_mutex_t g_site_lock = PTHREAD_MUTEX_INITIALIZER;

/* Allocations made while this thread is inside the library (the unwinder
 * and dladdr allocate) are neither counted nor failed. */
static __thread int t_inside __attribute__((tls_model("initial-exec")));

static int runtime_module(const char* path) {
    const char* base = strrchr(path, '/');
    base = base ? base + 1 : path;
    return strncmp(base, "libc.so", 7) == 0 || strncmp(base, "libstdc++", 9) == 0 ||
           strncmp(base, "libgcc_s", 8) == 0 || strstr(base, "fail_nth") != NULL;
}

static void site_of_caller(char* out) {
    void* frames[24];
    const int n = backtrace(frames, 24);
    strcpy(out, "?");
    for (int i = 1; i < n; ++i) {
        Dl_info info;
        if (!dladdr(frames[i], &info) || !info.dli_fname) continue;
        if (runtime_module(info.dli_fname)) continue;
        const char* base = strrchr(info.dli_fname, '/');
        base = base ? base + 1 : info.dli_fname;
        /* The return address minus one lies inside the calling instruction. */
        snprintf(out, SITE_TEXT, "%s+%lx", base,
                 (unsigned long)((char*)frames[i] - 1 - (char*)info.dli_fbase));
        return;
    }
}

static void record_site(long index) {
    char site[SITE_TEXT];
    site_of_caller(site);
    pthread_mutex_lock(&g_site_lock);
    int count = atomic_load(&g_site_count);
    int id = -1;
    for (int k = 0; k < count; ++k)
        if (strcmp(g_sites[k], site) == 0) id = k;
    if (id < 0 && count < MAX_SITES) {
        strcpy(g_sites[count], site);
        id = count;
        atomic_store(&g_site_count, count + 1);
    }
    pthread_mutex_unlock(&g_site_lock);
    if (index < MAX_RECORDED && id >= 0) g_site_of[index] = (unsigned short)(id + 1);
}

/* Nonzero when this allocation is to fail. */
static int take_turn(void) {
    if (!g_ready || t_inside) return 0;
    const long n = atomic_fetch_add(&g_count, 1) + 1;
    if (g_record) {
        t_inside = 1;
        record_site(n);
        t_inside = 0;
    }
    if (g_fail_site[0]) {
        if (atomic_load(&g_failed)) return 0;
        char site[SITE_TEXT];
        t_inside = 1;
        site_of_caller(site);
        t_inside = 0;
        if (strcmp(site, g_fail_site) != 0) return 0;
        int expected = 0;
        if (!atomic_compare_exchange_strong(&g_failed, &expected, 1)) return 0;
        strcpy(g_failed_site, site);
        return 1;
    }
    if (n != g_fail_at) return 0;
    t_inside = 1;
    site_of_caller(g_failed_site);
    t_inside = 0;
    atomic_store(&g_failed, 1);
    return 1;
}

void* malloc(size_t size) {
    if (take_turn()) {
        errno = ENOMEM;
        return NULL;
    }
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
    if (take_turn()) {
        errno = ENOMEM;
        return NULL;
    }
    return __libc_calloc(count, size);
}

void* realloc(void* old, size_t size) {
    if (take_turn()) {
        errno = ENOMEM;
        return NULL;
    }
    return __libc_realloc(old, size);
}

void* memalign(size_t alignment, size_t size) {
    if (take_turn()) {
        errno = ENOMEM;
        return NULL;
    }
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }

int posix_memalign(void** out, size_t alignment, size_t size) {
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
    void* p = memalign(alignment, size);
    if (!p) return ENOMEM;
    *out = p;
    return 0;
}

static void put(int fd, const char* text) {
    size_t left = strlen(text);
    while (left > 0) {
        const ssize_t n = write(fd, text, left);
        if (n <= 0) return;
        text += n;
        left -= (size_t)n;
    }
}

__attribute__((constructor)) static void start(void) {
    const char* at = getenv("RAZIVAVU_FAIL_AT");
    g_fail_at = at ? atol(at) : 0;
    const char* report = getenv("RAZIVAVU_FAIL_REPORT");
    if (report) snprintf(g_report, sizeof g_report, "%s", report);
    const char* site = getenv("RAZIVAVU_FAIL_SITE");
    if (site) snprintf(g_fail_site, sizeof g_fail_site, "%s", site);
    const char* record = getenv("RAZIVAVU_FAIL_SITES");
    g_record = record && *record == '1';
    /* The unwinder loads itself on its first use: done here, uncounted. */
    void* frames[4];
    t_inside = 1;
    backtrace(frames, 4);
    t_inside = 0;
    g_ready = 1;
}

__attribute__((destructor)) static void finish(void) {
    if (!g_report[0]) return;
    t_inside = 1;
    const int fd = open(g_report, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return;
    char line[SITE_TEXT + 64];
    const long count = atomic_load(&g_count);
    snprintf(line, sizeof line, "count %ld\n", count);
    put(fd, line);
    if (atomic_load(&g_failed)) {
        snprintf(line, sizeof line, "failed %s\n", g_failed_site);
        put(fd, line);
    }
    if (g_record) {
        for (long i = 1; i <= count && i < MAX_RECORDED; ++i) {
            if (!g_site_of[i]) continue;
            snprintf(line, sizeof line, "site %ld %s\n", i, g_sites[g_site_of[i] - 1]);
            put(fd, line);
        }
    }
    close(fd);
}
