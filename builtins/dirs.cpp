// The directory layer: a snapshot of a directory's names taken at opendir
// over the host's directory reading, handed out one entry record at a time.
#include "dirs.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "bridge.h"
#include "memory.h"

// The d_type values of the entry record.
static const uint32_t DIR_TYPE_DEVICE = 0x2000;
static const uint32_t DIR_TYPE_DIRECTORY = 0x4000;
static const uint32_t DIR_TYPE_FILE = 0x8000;
static const uint32_t DIR_TYPE_LINK = 0xC000;

// The errno values the layer reports.
static const int DIR_ENOENT = 2;
static const int DIR_EBADF = 9;
static const int DIR_EACCES = 13;
static const int DIR_ENOTDIR = 20;
static const int DIR_ERANGE = 34;

// One name of the snapshot: where its bytes start in the names block.
struct DirName {
    size_t start;
    size_t length;
    uint32_t type;
};

// A stream's search: the snapshot and the index of the name readdir gives
// next. Everything lives in malloc blocks that closedir frees.
struct DirSearch {
    char* names;  // every name, each followed by a NUL
    size_t names_used;
    size_t names_capacity;
    DirName* list;
    size_t count;
    size_t capacity;
    size_t next;
};

uint32_t dir_name_hash(const char* name, size_t n) {
    uint32_t h = 5381;
    for (size_t i = 0; i < n; ++i) h = h * 33 + uint8_t(name[i]);  // bytes unsigned
    return h & 0x7FFFFFFF;
}

static void dir_search_free(DirSearch* search) {
    std::free(search->names);
    std::free(search->list);
    std::free(search);
}

// Grows a malloc block to hold at least need items of size bytes.
static bool dir_grow(void** block, size_t* capacity, size_t need, size_t size) {
    if (need <= *capacity) return true;
    size_t grown = std::max(need, *capacity * 2 + 16);
    void* bigger = std::realloc(*block, grown * size);
    if (!bigger) return false;
    *block = bigger;
    *capacity = grown;
    return true;
}

// Adds a name and its type to the snapshot; false when memory runs out.
static bool dir_search_add(DirSearch* search, const char* name, uint32_t type) {
    size_t n = std::strlen(name);
    if (!dir_grow(reinterpret_cast<void**>(&search->names), &search->names_capacity, search->names_used + n + 1, 1) ||
        !dir_grow(reinterpret_cast<void**>(&search->list), &search->capacity, search->count + 1, sizeof(DirName)))
        return false;
    std::memcpy(search->names + search->names_used, name, n + 1);
    search->list[search->count++] = {search->names_used, n, type};
    search->names_used += n + 1;
    return true;
}

// The entry type of a name in the open directory: from the host's type when
// it gives one, else from the name's status without following a link.
static uint32_t dir_type_of(DIR* dir, const struct dirent* host) {
    unsigned char type = host->d_type;
    if (type == DT_UNKNOWN) {
        struct stat st;
        if (fstatat(dirfd(dir), host->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) return DIR_TYPE_FILE;
        if (S_ISDIR(st.st_mode)) type = DT_DIR;
        else if (S_ISCHR(st.st_mode)) type = DT_CHR;
        else if (S_ISBLK(st.st_mode)) type = DT_BLK;
        else if (S_ISLNK(st.st_mode)) type = DT_LNK;
    }
    switch (type) {
        case DT_DIR: return DIR_TYPE_DIRECTORY;
        case DT_CHR: case DT_BLK: return DIR_TYPE_DEVICE;
        case DT_LNK: return DIR_TYPE_LINK;
        default: return DIR_TYPE_FILE;
    }
}

// The layer's errno for a host failure to open or read a directory.
static int dir_error_of(int host_errno) {
    switch (host_errno) {
        case EACCES: case EPERM: return DIR_EACCES;
        case ENOTDIR: return DIR_ENOTDIR;
        default: return DIR_ENOENT;
    }
}

// Reads every name of the open directory after "." and ".."; false with the
// host's errno on a read error or when memory runs out.
static bool dir_search_fill(DirSearch* search, DIR* dir) {
    for (;;) {
        errno = 0;
        struct dirent* host = readdir(dir);
        if (!host) return errno == 0;
        if (std::strcmp(host->d_name, ".") == 0 || std::strcmp(host->d_name, "..") == 0) continue;
        if (!dir_search_add(search, host->d_name, dir_type_of(dir, host))) return false;
    }
}

// Orders the names after "." and ".." by their bytes, a shorter prefix first.
static void dir_search_sort(DirSearch* search) {
    const char* names = search->names;
    std::sort(search->list + 2, search->list + search->count, [names](const DirName& a, const DirName& b) {
        int c = std::memcmp(names + a.start, names + b.start, std::min(a.length, b.length));
        return c != 0 ? c < 0 : a.length < b.length;
    });
}

// The snapshot of the directory at path, or null with the layer's errno set
// (or ENOMEM when memory runs out).
static DirSearch* dir_open(const char* path) {
    DIR* dir = opendir(path);
    if (!dir) {
        errno = dir_error_of(errno);
        return nullptr;
    }
    DirSearch* search = static_cast<DirSearch*>(std::calloc(1, sizeof(DirSearch)));
    bool ok = search && dir_search_add(search, ".", DIR_TYPE_DIRECTORY) &&
              dir_search_add(search, "..", DIR_TYPE_DIRECTORY);
    if (ok && !dir_search_fill(search, dir)) {
        ok = false;
        errno = errno == ENOMEM ? ENOMEM : dir_error_of(errno);
    }
    int failure = errno;
    closedir(dir);
    if (!ok) {
        if (search) dir_search_free(search);
        errno = failure;
        return nullptr;
    }
    dir_search_sort(search);
    return search;
}

// The search of the stream at `stream`.
static DirSearch* dir_stream_search(const char* stream) {
    return reinterpret_cast<DirSearch*>(uintptr_t(memory_load<8>(stream + DIR_SEARCH_OFFSET)));
}

static void dir_stream_set_search(char* stream, DirSearch* search) {
    memory_store<8>(stream + DIR_SEARCH_OFFSET, u64(reinterpret_cast<uintptr_t>(search)));
}

NodeRef builtin_opendir(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "T")) return bridge_error();
    const char* path = bridge_pointer<const char>(call, 0);
    size_t length = path ? strnlen(path, DIR_PATH_LIMIT + 1) : 0;
    if (length == 0 || length > size_t(DIR_PATH_LIMIT)) {
        errno = length == 0 ? DIR_ENOENT : DIR_ERANGE;
        return bridge_signed(0);
    }
    int saved = errno;
    char* stream = static_cast<char*>(std::malloc(DIR_STREAM_SIZE));
    if (!stream) return bridge_signed(0);
    DirSearch* search = dir_open(path);
    if (!search) {
        int failure = errno;
        std::free(stream);
        errno = failure;
        return bridge_signed(0);
    }
    dir_stream_set_search(stream, search);
    errno = saved;
    return bridge_address(stream);
}

// Fills the entry at `entry` with the next name of the search.
static void dir_fill_entry(char* entry, DirSearch* search) {
    const DirName& name = search->list[search->next++];
    const char* bytes = search->names + name.start;
    uint32_t offset = DIR_LAST_OFFSET;
    if (search->next < search->count) {
        const DirName& following = search->list[search->next];
        offset = dir_name_hash(search->names + following.start, following.length);
    }
    memory_store<4>(entry + 0, 0);
    memory_store<4>(entry + 4, offset);
    memory_store<2>(entry + 8, DIR_ENTRY_SIZE);
    memory_store<8>(entry + 16, name.length);
    memory_store<4>(entry + 24, name.type);
    std::memcpy(entry + DIR_NAME_OFFSET, bytes, name.length + 1);
}

NodeRef builtin_readdir(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    char* stream = bridge_pointer<char>(call, 0);
    DirSearch* search = stream ? dir_stream_search(stream) : nullptr;
    if (!search) {
        errno = DIR_EBADF;
        return bridge_signed(0);
    }
    if (search->next >= search->count) return bridge_signed(0);
    dir_fill_entry(stream, search);
    return bridge_address(stream);
}

NodeRef builtin_closedir(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    char* stream = bridge_pointer<char>(call, 0);
    if (!stream) {
        errno = DIR_EBADF;
        return bridge_signed(-1);
    }
    DirSearch* search = dir_stream_search(stream);
    dir_stream_set_search(stream, nullptr);
    std::free(stream);
    if (!search) {
        errno = DIR_EBADF;
        return bridge_signed(-1);
    }
    dir_search_free(search);
    return bridge_signed(0);
}
