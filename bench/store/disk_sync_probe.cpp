#include "disk_sync_probe.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <sqlite3.h>

namespace varnel::bench {

namespace {

std::atomic<std::int64_t> syncCount{0};
std::atomic<std::int64_t> syncNanos{0};
sqlite3_vfs* realVfs = nullptr;
sqlite3_vfs probeVfs;
sqlite3_io_methods probeMethods;

// Our file: the real layer's file follows this header in the same block.
struct ProbeFile {
    sqlite3_file base;
    sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

ProbeFile* probe(sqlite3_file* f) { return reinterpret_cast<ProbeFile*>(f); }

template <typename F>
int timed(F&& call)
{
    const auto start = std::chrono::steady_clock::now();
    const int rc = call();
    syncNanos += std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
    ++syncCount;
    return rc;
}

int probeSync(sqlite3_file* f, int flags)
{
    sqlite3_file* real = probe(f)->real();
    return timed([&] { return real->pMethods->xSync(real, flags); });
}

int probeDelete(sqlite3_vfs*, const char* name, int syncDir)
{
    if (!syncDir)
        return realVfs->xDelete(realVfs, name, syncDir);
    return timed([&] { return realVfs->xDelete(realVfs, name, syncDir); });
}

// Every other method goes straight to the real file.

int probeOpen(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags)
{
    ProbeFile* p = probe(f);
    const int rc = realVfs->xOpen(realVfs, name, p->real(), flags, outFlags);
    if (p->real()->pMethods == nullptr) {
        f->pMethods = nullptr;
        return rc;
    }
    // Same version and methods as the real file, with xSync counted.
    static bool ready = false;
    if (!ready) {
        probeMethods = *p->real()->pMethods;
        probeMethods.xClose = [](sqlite3_file* file) {
            sqlite3_file* r = probe(file)->real();
            return r->pMethods->xClose(r);
        };
        probeMethods.xRead = [](sqlite3_file* file, void* buf, int n, sqlite3_int64 off) {
            sqlite3_file* r = probe(file)->real();
            return r->pMethods->xRead(r, buf, n, off);
        };
        probeMethods.xWrite = [](sqlite3_file* file, const void* buf, int n, sqlite3_int64 off) {
            sqlite3_file* r = probe(file)->real();
            return r->pMethods->xWrite(r, buf, n, off);
        };
        probeMethods.xTruncate = [](sqlite3_file* file, sqlite3_int64 size) {
            sqlite3_file* r = probe(file)->real();
            return r->pMethods->xTruncate(r, size);
        };
        probeMethods.xSync = probeSync;
        probeMethods.xFileSize = [](sqlite3_file* file, sqlite3_int64* size) {
            sqlite3_file* r = probe(file)->real();
            return r->pMethods->xFileSize(r, size);
        };
        probeMethods.xLock = [](sqlite3_file* file, int lock) {
            sqlite3_file* r = probe(file)->real();
            return r->pMethods->xLock(r, lock);
        };
        probeMethods.xUnlock = [](sqlite3_file* file, int lock) {
            sqlite3_file* r = probe(file)->real();
            return r->pMethods->xUnlock(r, lock);
        };
        probeMethods.xCheckReservedLock = [](sqlite3_file* file, int* out) {
            sqlite3_file* r = probe(file)->real();
            return r->pMethods->xCheckReservedLock(r, out);
        };
        probeMethods.xFileControl = [](sqlite3_file* file, int op, void* arg) {
            sqlite3_file* r = probe(file)->real();
            return r->pMethods->xFileControl(r, op, arg);
        };
        probeMethods.xSectorSize = [](sqlite3_file* file) {
            sqlite3_file* r = probe(file)->real();
            return r->pMethods->xSectorSize(r);
        };
        probeMethods.xDeviceCharacteristics = [](sqlite3_file* file) {
            sqlite3_file* r = probe(file)->real();
            return r->pMethods->xDeviceCharacteristics(r);
        };
        probeMethods.xShmMap = [](sqlite3_file* file, int pg, int size, int extend, void volatile** out) {
            sqlite3_file* r = probe(file)->real();
            return r->pMethods->xShmMap(r, pg, size, extend, out);
        };
        probeMethods.xShmLock = [](sqlite3_file* file, int offset, int n, int lockFlags) {
            sqlite3_file* r = probe(file)->real();
            return r->pMethods->xShmLock(r, offset, n, lockFlags);
        };
        probeMethods.xShmBarrier = [](sqlite3_file* file) {
            sqlite3_file* r = probe(file)->real();
            r->pMethods->xShmBarrier(r);
        };
        probeMethods.xShmUnmap = [](sqlite3_file* file, int del) {
            sqlite3_file* r = probe(file)->real();
            return r->pMethods->xShmUnmap(r, del);
        };
        probeMethods.xFetch = [](sqlite3_file* file, sqlite3_int64 off, int n, void** out) {
            sqlite3_file* r = probe(file)->real();
            return r->pMethods->xFetch(r, off, n, out);
        };
        probeMethods.xUnfetch = [](sqlite3_file* file, sqlite3_int64 off, void* page) {
            sqlite3_file* r = probe(file)->real();
            return r->pMethods->xUnfetch(r, off, page);
        };
        ready = true;
    }
    f->pMethods = &probeMethods;
    return rc;
}

} // namespace

void installDiskSyncProbe()
{
    realVfs = sqlite3_vfs_find(nullptr);
    probeVfs = *realVfs;
    probeVfs.zName = "disk-sync-probe";
    probeVfs.szOsFile = int(sizeof(ProbeFile)) + realVfs->szOsFile;
    probeVfs.pNext = nullptr;
    probeVfs.xOpen = probeOpen;
    probeVfs.xDelete = probeDelete;
    sqlite3_vfs_register(&probeVfs, 1);
}

DiskSyncs diskSyncsSoFar()
{
    return {syncCount.load(), syncNanos.load()};
}

} // namespace varnel::bench
