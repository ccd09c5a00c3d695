#pragma once
#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <utility>

// An open file descriptor, closed when it goes out of scope (which also drops any fcntl lock this
// process holds on the file), with the reads and writes that go on until done or an error. Every
// call answers 0 or an errno; nothing here throws.
class PosixFile {
public:
    PosixFile() = default;
    explicit PosixFile(int fd) : Fd(fd) {}
    // Uses `fd` without closing it. Closing any descriptor of a file drops every fcntl lock this
    // process holds on it, so a locked file is only ever used through the descriptor that locked it.
    static PosixFile Borrowed(int fd)
    {
        PosixFile f(fd);
        f.Owned = false;
        return f;
    }
    PosixFile(PosixFile&& other) noexcept : Fd(std::exchange(other.Fd, -1)), Owned(other.Owned) {}
    PosixFile& operator=(PosixFile&& other) noexcept
    {
        if (this != &other) {
            Reset();
            Fd = std::exchange(other.Fd, -1);
            Owned = other.Owned;
        }
        return *this;
    }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;
    ~PosixFile() { Reset(); }

    // Opens `path` with open(2)'s `flags` (O_CLOEXEC added); 0 or errno.
    int Open(const QString& path, int flags, int mode = 0666);
    bool IsOpen() const { return Fd >= 0; }
    int Get() const { return Fd; }
    int Release() { return std::exchange(Fd, -1); }
    // Closes now; a share may report a failed write only here.
    int Close();

    // Up to `size` bytes at `offset` into `buffer` (fewer only at the end of the file); the bytes
    // read, or -errno.
    qint64 ReadAt(char* buffer, qint64 size, qint64 offset) const;
    int WriteAt(const char* data, qint64 size, qint64 offset) const;
    int WriteAt(const QByteArray& data, qint64 offset) const { return WriteAt(data.constData(), data.size(), offset); }
    // The whole file from `offset` on; 0 or errno.
    int ReadRest(QByteArray& into, qint64 offset = 0) const;
    // The size, or -errno.
    qint64 Size() const;
    int Truncate(qint64 size) const;
    int Sync() const;

    // The whole of the file at `path`; 0 or errno.
    static int ReadFile(const QString& path, QByteArray& into);
    // Makes the folder's entries (a new name, a rename, a removal) durable; 0 or errno. A folder that
    // cannot be synced at all (EINVAL, some network file systems) counts as synced.
    static int SyncFolder(const QString& folder);

private:
    void Reset();
    int Fd = -1;
    bool Owned = true;
};
