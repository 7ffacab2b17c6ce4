#pragma once

#include <QByteArray>

#include <utility>

// Files and directories by their byte names. Qt's file classes decode names, and a name that is not UTF-8
// does not survive that: they can neither make nor remove it (and may reach a look-alike instead).

void makeDirectory(const QByteArray &path);
void writeBytes(const QByteArray &path, const QByteArray &contents);
// The whole file; empty when it cannot be read.
QByteArray readBytes(const QByteArray &path);
void setModificationTime(const QByteArray &path, qint64 seconds);

// Removes a directory and everything in it, found by descriptors, whatever the length of its paths.
void removeTreeAt(int parent, const QByteArray &name);

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
