#include "platform/files.h"

#include "platform/filenames.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

quint64 g_currentDirChanges = 0;

bool statFollowing(const QString &path, struct stat &st)
{
    const QByteArray bytes = pathBytes(path);
    return !bytes.isEmpty() && ::stat(bytes.constData(), &st) == 0;
}

} // namespace

bool FileExists(const QString &path)
{
    struct stat st;
    return statFollowing(path, st) && S_ISREG(st.st_mode);
}

bool DirectoryExists(const QString &path)
{
    struct stat st;
    return statFollowing(path, st) && S_ISDIR(st.st_mode);
}

QByteArray currentDirBytes()
{
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return QByteArray();
        buffer.resize(buffer.size() * 2);
    }
    return QByteArray(buffer.data());
}

QString GetCurrentDir()
{
    return pathText(currentDirBytes());
}

bool SetCurrentDir(const QByteArray &path)
{
    if (path.isEmpty() || ::chdir(path.constData()) != 0)
        return false;
    ++g_currentDirChanges;
    return true;
}

quint64 currentDirChanges()
{
    return g_currentDirChanges;
}

void noteCurrentDirChanged()
{
    ++g_currentDirChanges;
}
