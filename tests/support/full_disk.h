#pragma once

#include <QFile>
#include <QString>
#include <atomic>
#include <csignal>
#include <mutex>
#include <sqlite3.h>
#include <string>
#include <sys/resource.h>

namespace tolvane::testing {

// A full disk for the SQLite files of one folder, without a small file system: SQLite's default file layer
// is wrapped once per process, and while a FullDisk is full every write to a file under its folder fails as
// on a full disk (SQLITE_FULL). Reads and files elsewhere are untouched. One FullDisk at a time.
class FullDisk {
public:
    explicit FullDisk(const QString& folder) {
        static std::once_flag registered;
        std::call_once(registered, [] {
            State& s = state();
            s.real = sqlite3_vfs_find(nullptr);
            s.vfs = *s.real;
            s.vfs.zName = "tolvane-full-disk";
            s.vfs.szOsFile = static_cast<int>(sizeof(File)) + s.real->szOsFile;
            s.vfs.xOpen = &open;
            sqlite3_vfs_register(&s.vfs, 1);
        });
        const std::lock_guard lock(state().mutex);
        state().folder = QFile::encodeName(folder).toStdString() + '/';
    }
    ~FullDisk() {
        setFull(false);
        const std::lock_guard lock(state().mutex);
        state().folder.clear();
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    void setFull(bool full) { state().full = full; }

private:
    // The wrapper's file: its own methods, then the real file in the same allocation.
    struct File {
        sqlite3_file base;
        sqlite3_file* real;
        bool watched;
    };
    struct State {
        sqlite3_vfs* real = nullptr;
        sqlite3_vfs vfs{};
        std::mutex mutex;
        std::string folder;
        std::atomic<bool> full = false;
    };
    static State& state() {
        static State instance;
        return instance;
    }
    static sqlite3_file* real(sqlite3_file* file) { return reinterpret_cast<File*>(file)->real; }

    static int open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
        auto* wrapper = reinterpret_cast<File*>(file);
        wrapper->real = reinterpret_cast<sqlite3_file*>(wrapper + 1);
        {
            const std::lock_guard lock(state().mutex);
            wrapper->watched =
                name && !state().folder.empty() && std::string(name).rfind(state().folder, 0) == 0;
        }
        const int result = state().real->xOpen(state().real, name, wrapper->real, flags, outFlags);
        // Without methods SQLite does not close the file: only an opened one gets ours.
        wrapper->base.pMethods = wrapper->real->pMethods ? &methods() : nullptr;
        return result;
    }

    static const sqlite3_io_methods& methods() {
        static const sqlite3_io_methods table = [] {
            sqlite3_io_methods m{};
            m.iVersion = 2; // no memory-mapped reads: every access goes through xRead and xWrite
            m.xClose = [](sqlite3_file* f) { return real(f)->pMethods->xClose(real(f)); };
            m.xRead = [](sqlite3_file* f, void* data, int amount, sqlite3_int64 offset) {
                return real(f)->pMethods->xRead(real(f), data, amount, offset);
            };
            m.xWrite = [](sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
                if (reinterpret_cast<File*>(f)->watched && state().full)
                    return SQLITE_FULL;
                return real(f)->pMethods->xWrite(real(f), data, amount, offset);
            };
            m.xTruncate = [](sqlite3_file* f, sqlite3_int64 size) {
                return real(f)->pMethods->xTruncate(real(f), size);
            };
            m.xSync = [](sqlite3_file* f, int flags) { return real(f)->pMethods->xSync(real(f), flags); };
            m.xFileSize = [](sqlite3_file* f, sqlite3_int64* size) {
                return real(f)->pMethods->xFileSize(real(f), size);
            };
            m.xLock = [](sqlite3_file* f, int level) { return real(f)->pMethods->xLock(real(f), level); };
            m.xUnlock = [](sqlite3_file* f, int level) { return real(f)->pMethods->xUnlock(real(f), level); };
            m.xCheckReservedLock = [](sqlite3_file* f, int* out) {
                return real(f)->pMethods->xCheckReservedLock(real(f), out);
            };
            m.xFileControl = [](sqlite3_file* f, int op, void* arg) {
                return real(f)->pMethods->xFileControl(real(f), op, arg);
            };
            m.xSectorSize = [](sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); };
            m.xDeviceCharacteristics = [](sqlite3_file* f) {
                return real(f)->pMethods->xDeviceCharacteristics(real(f));
            };
            m.xShmMap = [](sqlite3_file* f, int region, int size, int extend, void volatile** out) {
                return real(f)->pMethods->xShmMap(real(f), region, size, extend, out);
            };
            m.xShmLock = [](sqlite3_file* f, int offset, int n, int flags) {
                return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
            };
            m.xShmBarrier = [](sqlite3_file* f) { real(f)->pMethods->xShmBarrier(real(f)); };
            m.xShmUnmap = [](sqlite3_file* f, int deleteFlag) {
                return real(f)->pMethods->xShmUnmap(real(f), deleteFlag);
            };
            return m;
        }();
        return table;
    }
};

// A disk that takes no more bytes, for every file this process writes: the file-size limit is lowered to
// `bytes` (RLIMIT_FSIZE, which needs no privilege) with SIGXFSZ ignored, so a write past it fails with EFBIG
// instead of ending the process. Pipes, sockets and reads are untouched. The old limit comes back at the end.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_before);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_before;
        limited.rlim_cur = bytes;
        m_applied = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool isApplied() const { return m_applied; }

private:
    rlimit m_before{};
    void (*m_handler)(int) = SIG_DFL;
    bool m_applied = false;
};

} // namespace tolvane::testing
