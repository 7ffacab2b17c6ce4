#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

#include <utility>

// Files and directories by their byte names. Qt's file classes decode names, and a name that is not UTF-8
// does not survive that: they can neither make nor remove it (and may reach a look-alike instead).

void makeDirectory(const QByteArray &path);
void writeBytes(const QByteArray &path, const QByteArray &contents);
// The whole file; empty when it cannot be read.
QByteArray readBytes(const QByteArray &path);
void setModificationTime(const QByteArray &path, qint64 seconds);

// Creates (or truncates) a file with the contents and the permission bits of mode. Without the owner's
// write bit the file is read-only; on Windows that bit alone counts, as the read-only attribute.
void writeFileWithMode(const QByteArray &path, const QByteArray &contents, int mode);
// Makes the file size bytes long, ending in tail, with a hole before it.
void makeSparseFile(const QByteArray &path, qint64 size, const QByteArray &tail);
// A FIFO or a symbolic link; false where the platform cannot make one (a FIFO on Windows, a link without
// the right to make one).
bool makeFifo(const QByteArray &path);
bool makeSymlink(const QByteArray &path, const QByteArray &target);
// Whether a name may be any bytes but '/' and NUL (POSIX). Windows names are text, and the names these
// helpers make there are their UTF-8.
bool namesAreBytes();
// Creates an empty file; false where the platform refuses the name (Windows takes no control character
// and none of \ / : * ? " < > |).
bool makeFileIfNamable(const QByteArray &path);
// Hides a file: a POSIX name that starts with '.' is hidden already; on Windows the file gets the hidden
// attribute.
void markHidden(const QByteArray &path);
// Whether a process's current directory can be deeper than the longest path the system takes in one
// call. Windows keeps it in MAX_PATH characters unless the program declares itself long-path aware.
bool keepsDeepCurrentDirectory();
// Whether this process runs as the superuser (root), whom no permission binds: it can drop to another
// user (setpriv) for a case that needs a permission refused. Never on Windows.
bool isSuperUser();
// Whether a file can be made that this process cannot read (by its mode, not as root). Not under wine,
// which keeps no access rights of a file's own.
bool canMakeUnreadableFiles();

// Makes everything under a directory removable by its owner (Windows refuses to delete a read-only file;
// POSIX lets a directory's owner remove it, so nothing is done there).
void allowRemoval(const QByteArray &directory);

// Directories components[0]/components[1]/... under base, however deep, and in the deepest the files of
// files (each a path relative to it, its directory made when missing, and its contents). Returns the
// deepest directory's path, or nothing where the system cannot make a tree that deep (wine, whose paths
// are Linux paths of at most PATH_MAX bytes). No path longer than the system takes in one call is given
// to it.
QByteArray makeDeepTree(const QByteArray &base, const QList<QByteArray> &components,
                        const QList<QPair<QByteArray, QByteArray>> &files);
// Removes the directory component of base and everything in it, however deep.
void removeDeepTree(const QByteArray &base, const QByteArray &component);

// Removes everything inside a directory, whatever the names; the directory itself stays.
class ContentsRemover
{
public:
    explicit ContentsRemover(QByteArray directory) : m_directory(std::move(directory)) {}
    ~ContentsRemover();
    ContentsRemover(const ContentsRemover &) = delete;
    ContentsRemover &operator=(const ContentsRemover &) = delete;

private:
    QByteArray m_directory;
};
