#!/usr/bin/python3
"""A disk that loses, at a power cut, everything that was not synced.

    powerloss_fs.py --names=always|folder-sync --control=SOCKET BACKING MOUNTPOINT

Mounts a FUSE file system over MOUNTPOINT showing the tree in BACKING. Everything happens in
memory, in two states kept side by side:

  the volatile state  what programs see through the mount, changed by every operation;
  the durable state   what the disk would hold after a power cut:
                      - a file's content (and mode) becomes durable when the file is fsynced
                        (fsync or fdatasync); a file never synced is durable empty;
                      - a folder's names (creates, links, renames, unlinks, mkdir, rmdir) become
                        durable at once with --names=always, and with --names=folder-sync only
                        when that folder is fsynced (open the folder, fsync it). A new file or
                        folder exists after the cut only when the folder holding its name was
                        synced after it was made.

BACKING is read once, at the mount, as the durable state. It is written again, as a whole, at
the power cut (with the durable state) or at an ordinary unmount (with the volatile state: a
machine shut down in good order loses nothing).

SOCKET, a Unix stream socket outside the mount, takes one command a line:
  freeze  every operation waits from now on (answers "frozen"); freezing two mounts one after
          the other stops both at one moment, as one power cut would;
  cut     the power goes: BACKING is made the durable state, and from then on every operation
          fails with EIO until the mount is taken off (answers "cut");
  thaw    undoes a freeze (answers "thawed").

Single-threaded: the program under test takes fcntl and flock locks, which this file system
leaves to the kernel (it implements no lock operation), so a waiting lock never blocks it.
"""

import argparse
import errno
import logging
import os
import shutil
import socket
import stat
import sys
import threading
import time

if sys.platform.startswith('linux'):
    # Names the library fusepy would otherwise look for with ldconfig, at every start.
    os.environ.setdefault('FUSE_LIBRARY_PATH', 'libfuse.so.2')
try:
    from fusepy import FUSE, FuseOSError, Operations, fuse_get_context  # Debian's python3-fusepy
except ImportError:
    try:
        from fuse import FUSE, FuseOSError, Operations, fuse_get_context  # fusepy from PyPI
    except ImportError:
        sys.exit('powerloss_fs.py needs fusepy (Debian: python3-fusepy)')

ROOT = 1


class Node:
    """One inode of the volatile state."""

    def __init__(self, mode, uid, gid):
        now = time.time_ns()
        self.mode = mode
        self.uid = uid
        self.gid = gid
        self.atime = self.mtime = self.ctime = now
        self.nlink = 0  # names in the volatile state
        self.data = None if stat.S_ISDIR(mode) else bytearray()
        self.entries = {} if stat.S_ISDIR(mode) else None

    def is_dir(self):
        return self.entries is not None


class PowerLossFs(Operations):
    use_ns = True
    # Open files that lost their last name are still read, written and synced by handle.
    flag_nullpath_ok = True

    def __init__(self, backing, names, control):
        self.backing = os.path.abspath(backing)
        self.names_always = names == 'always'
        self.control = control
        # Not named `lock`: fusepy would take an attribute of that name for FUSE's lock operation.
        self.mutex = threading.Lock()
        self.frozen = False
        self.dead = False
        self.nodes = {}
        self.next_ino = ROOT
        self.handles = {}  # file handle -> inode, for files and folders alike
        self.next_fh = 1
        self.durable_entries = {}  # folder inode -> {name: inode}
        self.durable_files = {}    # file inode -> (content, mode, uid, gid)
        self.load()

    # The durable and the volatile state start as BACKING holds it.

    def new_node(self, mode, uid, gid):
        ino = self.next_ino
        self.next_ino += 1
        self.nodes[ino] = Node(mode, uid, gid)
        return ino

    def load(self):
        st = os.lstat(self.backing)
        root = self.new_node(stat.S_IFDIR | stat.S_IMODE(st.st_mode), st.st_uid, st.st_gid)
        assert root == ROOT
        seen = {}  # (device, inode) of the backing -> inode, for hard links

        def walk(path, ino):
            for entry in os.scandir(path):
                st = entry.stat(follow_symlinks=False)
                key = (st.st_dev, st.st_ino)
                if stat.S_ISREG(st.st_mode) and key in seen:
                    child = seen[key]
                elif stat.S_ISDIR(st.st_mode) or stat.S_ISREG(st.st_mode):
                    child = self.new_node(st.st_mode, st.st_uid, st.st_gid)
                    node = self.nodes[child]
                    node.atime, node.mtime, node.ctime = st.st_atime_ns, st.st_mtime_ns, st.st_ctime_ns
                    if node.is_dir():
                        walk(entry.path, child)
                    else:
                        with open(entry.path, 'rb') as f:
                            node.data = bytearray(f.read())
                        self.durable_files[child] = (bytes(node.data), node.mode, node.uid, node.gid)
                        seen[key] = child
                else:
                    raise SystemExit('%s: only files and folders can be mounted' % entry.path)
                self.nodes[child].nlink += 1
                self.nodes[ino].entries[entry.name] = child
            self.durable_entries[ino] = dict(self.nodes[ino].entries)

        walk(self.backing, ROOT)

    # BACKING written again.

    def write_image(self, durable):
        for name in os.listdir(self.backing):
            path = os.path.join(self.backing, name)
            if os.path.isdir(path) and not os.path.islink(path):
                shutil.rmtree(path)
            else:
                os.unlink(path)
        written = {}  # file inode -> its first path, for hard links
        folders = set()

        def put(ino, path):
            # Only the strict folder-sync model can leave one folder under two durable names (a
            # folder moved between folders of which only one was synced); it is written once.
            folders.add(ino)
            entries = self.durable_entries.get(ino, {}) if durable else self.nodes[ino].entries
            for name, child in sorted(entries.items()):
                node = self.nodes[child]
                target = os.path.join(path, name)
                if node.is_dir():
                    if child in folders:
                        continue
                    os.mkdir(target)
                    put(child, target)
                    self.give_meta(target, node.mode, node.uid, node.gid, node)
                elif child in written:
                    os.link(written[child], target)
                else:
                    if durable:
                        content, mode, uid, gid = self.durable_files.get(child, (b'', node.mode, node.uid, node.gid))
                    else:
                        content, mode, uid, gid = bytes(node.data), node.mode, node.uid, node.gid
                    with open(target, 'wb') as f:
                        f.write(content)
                    self.give_meta(target, mode, uid, gid, node)
                    written[child] = target

        put(ROOT, self.backing)
        root = self.nodes[ROOT]
        self.give_meta(self.backing, root.mode, root.uid, root.gid, root)

    @staticmethod
    def give_meta(path, mode, uid, gid, node):
        os.chown(path, uid, gid)  # before the mode: a change of owner clears set-id bits
        os.chmod(path, stat.S_IMODE(mode))
        os.utime(path, ns=(node.atime, node.mtime))

    # The control socket.

    def serve(self, server):
        while True:
            conn, _ = server.accept()
            with conn, conn.makefile('rwb', buffering=0) as stream:
                for line in stream:
                    stream.write(self.command(line.strip().decode()).encode() + b'\n')

    def command(self, what):
        try:
            if what == 'freeze':
                self.freeze()
                return 'frozen'
            if what == 'cut':
                self.freeze()
                try:
                    if not self.dead:
                        self.write_image(durable=True)
                        self.dead = True
                finally:
                    self.thaw()
                return 'cut'
            if what == 'thaw':
                self.thaw()
                return 'thawed'
            return 'unknown command %r' % what
        except Exception as e:  # answered, so that the one who ordered it does not wait for nothing
            logging.exception('%s failed', what)
            return 'failed: %s' % e

    def freeze(self):
        if not self.frozen:
            self.mutex.acquire()
            self.frozen = True

    def thaw(self):
        if self.frozen:
            self.frozen = False
            self.mutex.release()

    # Every operation under the one lock: a freeze or a cut falls between two operations.

    def __call__(self, op, *args):
        with self.mutex:
            if self.dead and op not in ('init', 'destroy', 'release', 'releasedir'):
                raise FuseOSError(errno.EIO)
            return super().__call__(op, *args)

    def init(self, path):
        if os.path.exists(self.control):
            os.unlink(self.control)
        server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        server.bind(self.control)
        server.listen(4)
        threading.Thread(target=self.serve, args=(server,), daemon=True).start()
        print('mounted', flush=True)

    def destroy(self, path):
        if not self.dead:
            self.write_image(durable=False)

    # The names.

    def resolve(self, path):
        ino = ROOT
        for part in path.split('/'):
            if not part:
                continue
            node = self.nodes[ino]
            if not node.is_dir():
                raise FuseOSError(errno.ENOTDIR)
            ino = node.entries.get(part)
            if ino is None:
                raise FuseOSError(errno.ENOENT)
        return ino

    def node_of(self, path, fh=None):
        if fh is not None and fh in self.handles:
            return self.handles[fh]
        if path is None:
            raise FuseOSError(errno.EBADF)
        return self.resolve(path)

    def parent_of(self, path):
        head, name = path.rstrip('/').rsplit('/', 1)
        parent = self.resolve(head or '/')
        if not self.nodes[parent].is_dir():
            raise FuseOSError(errno.ENOTDIR)
        return parent, name

    def names_changed(self, *folders):
        now = time.time_ns()
        for ino in folders:
            node = self.nodes[ino]
            node.mtime = node.ctime = now
            if self.names_always:
                self.durable_entries[ino] = dict(node.entries)

    def add_node(self, path, mode):
        parent, name = self.parent_of(path)
        folder = self.nodes[parent]
        if name in folder.entries:
            raise FuseOSError(errno.EEXIST)
        uid, gid, _ = fuse_get_context()
        if folder.mode & stat.S_ISGID:
            # As Linux does: a folder with set-group-ID hands its group down, to folders with the bit.
            gid = folder.gid
            if stat.S_ISDIR(mode):
                mode |= stat.S_ISGID
        ino = self.new_node(mode, uid, gid)
        folder.entries[name] = ino
        self.nodes[ino].nlink = 1
        if self.names_always and stat.S_ISDIR(mode):
            self.durable_entries[ino] = {}
        if not stat.S_ISDIR(mode):
            self.durable_files[ino] = (b'', mode, uid, gid)
        self.names_changed(parent)
        return ino

    def new_handle(self, ino):
        fh = self.next_fh
        self.next_fh += 1
        self.handles[fh] = ino
        return fh

    def getattr(self, path, fh=None):
        ino = self.node_of(path, fh)
        node = self.nodes[ino]
        if node.is_dir():
            size = 4096
            nlink = 2 + sum(1 for child in node.entries.values() if self.nodes[child].is_dir())
        else:
            size = len(node.data)
            nlink = node.nlink
        return dict(st_ino=ino, st_mode=node.mode, st_nlink=nlink, st_size=size, st_uid=node.uid, st_gid=node.gid,
                    st_atime=node.atime, st_mtime=node.mtime, st_ctime=node.ctime,
                    st_blksize=4096, st_blocks=(size + 511) // 512)

    def opendir(self, path):
        ino = self.resolve(path)
        if not self.nodes[ino].is_dir():
            raise FuseOSError(errno.ENOTDIR)
        return self.new_handle(ino)

    def readdir(self, path, fh):
        return ['.', '..'] + list(self.nodes[self.node_of(path, fh)].entries)

    def releasedir(self, path, fh):
        self.handles.pop(fh, None)
        return 0

    def fsyncdir(self, path, datasync, fh):
        ino = self.node_of(path, fh)
        self.durable_entries[ino] = dict(self.nodes[ino].entries)
        return 0

    def mkdir(self, path, mode):
        self.add_node(path, stat.S_IFDIR | (mode & 0o7777))
        return 0

    def rmdir(self, path):
        parent, name = self.parent_of(path)
        ino = self.nodes[parent].entries.get(name)
        if ino is None:
            raise FuseOSError(errno.ENOENT)
        node = self.nodes[ino]
        if not node.is_dir():
            raise FuseOSError(errno.ENOTDIR)
        if node.entries:
            raise FuseOSError(errno.ENOTEMPTY)
        del self.nodes[parent].entries[name]
        node.nlink = 0
        self.names_changed(parent)
        return 0

    def create(self, path, mode, fi=None):
        # O_EXCL is the kernel's: it sends a create only for a name it found missing.
        try:
            ino = self.resolve(path)
            if self.nodes[ino].is_dir():
                raise FuseOSError(errno.EISDIR)
        except FuseOSError as e:
            if e.errno != errno.ENOENT:
                raise
            ino = self.add_node(path, stat.S_IFREG | (mode & 0o7777))
        return self.new_handle(ino)

    def open(self, path, flags):
        ino = self.resolve(path)
        if self.nodes[ino].is_dir() and (flags & os.O_ACCMODE) != os.O_RDONLY:
            raise FuseOSError(errno.EISDIR)
        return self.new_handle(ino)

    def read(self, path, size, offset, fh):
        node = self.nodes[self.node_of(path, fh)]
        if node.is_dir():
            raise FuseOSError(errno.EISDIR)
        return bytes(node.data[offset:offset + size])

    def write(self, path, data, offset, fh):
        node = self.nodes[self.node_of(path, fh)]
        if offset > len(node.data):
            node.data.extend(bytes(offset - len(node.data)))
        node.data[offset:offset + len(data)] = data
        node.mtime = node.ctime = time.time_ns()
        return len(data)

    def truncate(self, path, length, fh=None):
        node = self.nodes[self.node_of(path, fh)]
        if node.is_dir():
            raise FuseOSError(errno.EISDIR)
        if length < len(node.data):
            del node.data[length:]
        else:
            node.data.extend(bytes(length - len(node.data)))
        node.mtime = node.ctime = time.time_ns()
        return 0

    def fsync(self, path, datasync, fh):
        ino = self.node_of(path, fh)
        node = self.nodes[ino]
        if not node.is_dir():
            self.durable_files[ino] = (bytes(node.data), node.mode, node.uid, node.gid)
        return 0

    def release(self, path, fh):
        self.handles.pop(fh, None)
        return 0

    def unlink(self, path):
        parent, name = self.parent_of(path)
        ino = self.nodes[parent].entries.get(name)
        if ino is None:
            raise FuseOSError(errno.ENOENT)
        if self.nodes[ino].is_dir():
            raise FuseOSError(errno.EISDIR)
        del self.nodes[parent].entries[name]
        self.nodes[ino].nlink -= 1
        self.names_changed(parent)
        return 0

    def rename(self, old, new):
        old_parent, old_name = self.parent_of(old)
        new_parent, new_name = self.parent_of(new)
        ino = self.nodes[old_parent].entries.get(old_name)
        if ino is None:
            raise FuseOSError(errno.ENOENT)
        replaced = self.nodes[new_parent].entries.get(new_name)
        if replaced == ino:
            return 0  # two names of one file: nothing happens
        if replaced is not None:
            moved, gone = self.nodes[ino], self.nodes[replaced]
            if moved.is_dir() and not gone.is_dir():
                raise FuseOSError(errno.ENOTDIR)
            if gone.is_dir() and not moved.is_dir():
                raise FuseOSError(errno.EISDIR)
            if gone.is_dir() and gone.entries:
                raise FuseOSError(errno.ENOTEMPTY)
            gone.nlink -= 1
        del self.nodes[old_parent].entries[old_name]
        self.nodes[new_parent].entries[new_name] = ino
        self.nodes[ino].ctime = time.time_ns()
        self.names_changed(old_parent, new_parent)
        return 0

    def link(self, target, source):
        ino = self.resolve(source)
        if self.nodes[ino].is_dir():
            raise FuseOSError(errno.EPERM)
        parent, name = self.parent_of(target)
        if name in self.nodes[parent].entries:
            raise FuseOSError(errno.EEXIST)
        self.nodes[parent].entries[name] = ino
        self.nodes[ino].nlink += 1
        self.nodes[ino].ctime = time.time_ns()
        self.names_changed(parent)
        return 0

    def chmod(self, path, mode):
        node = self.nodes[self.resolve(path)]
        node.mode = stat.S_IFMT(node.mode) | (mode & 0o7777)
        node.ctime = time.time_ns()
        return 0

    def chown(self, path, uid, gid):
        node = self.nodes[self.resolve(path)]
        if uid != -1:
            node.uid = uid
        if gid != -1:
            node.gid = gid
        node.ctime = time.time_ns()
        return 0

    def utimens(self, path, times=None):
        node = self.nodes[self.resolve(path)]
        now = time.time_ns()
        node.atime, node.mtime = times if times else (now, now)
        node.ctime = now
        return 0

    def statfs(self, path):
        return dict(f_bsize=4096, f_frsize=4096, f_blocks=1 << 20, f_bfree=1 << 19, f_bavail=1 << 19,
                    f_files=1 << 20, f_ffree=1 << 19, f_favail=1 << 19, f_namemax=255)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--names', choices=('always', 'folder-sync'), required=True,
                        help='when a change of names becomes durable')
    parser.add_argument('--control', required=True, help='the Unix socket that takes freeze, cut and thaw')
    parser.add_argument('backing')
    parser.add_argument('mountpoint')
    args = parser.parse_args()
    logging.basicConfig(level=logging.WARNING, stream=sys.stderr)
    fs = PowerLossFs(args.backing, args.names, args.control)
    FUSE(fs, args.mountpoint, foreground=True, nothreads=True, default_permissions=True, hard_remove=True,
         use_ino=True, fsname='powerloss', subtype='powerloss')


if __name__ == '__main__':
    main()
