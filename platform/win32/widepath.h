#pragma once

#include <QByteArray>

#include <string>
#include <string_view>

#include <windows.h>

// Names on Windows are UTF-16, and not always valid UTF-16: a lone surrogate is a legal name character.
// Everywhere else the program keeps names as bytes, so here a name's bytes are its UTF-8, a lone surrogate
// written in the three-byte form that UTF-8 would give it (WTF-8). Every Windows name then has exactly one
// byte form, and the path texts (platform/filenames.h) keep those bytes as they keep any other.

// The UTF-16 a name's bytes stand for; false when no Windows name has these bytes (bytes that are not
// WTF-8, an encoded surrogate pair, a NUL).
bool toWide(const QByteArray &bytes, std::wstring &wide);
// The bytes of a UTF-16 name.
QByteArray fromWide(std::wstring_view wide);

// A path as the system takes it in one call: as it is while it is short enough for every call, and made
// absolute with the long-path prefix (\\?\, \\?\UNC\ for a network path) when it is longer.
std::wstring systemPath(const std::wstring &path);
// The same from bytes; false when the bytes name nothing (see toWide).
bool systemPath(const QByteArray &bytes, std::wstring &path);

// A full path without the long-path prefix ("\\?\C:\a" -> "C:\a", "\\?\UNC\s\a" -> "\\s\a"), as the user
// writes it.
std::wstring withoutLongPrefix(const std::wstring &path);

// Whether a path is taken from a directory: a relative one ("a\b"), or one from the root of the
// directory's drive ("\a").
bool isTakenFromDirectory(const std::wstring &path);

// Whether the plain form of a full path (without the long prefix) names what the long form names: the
// system drops a trailing dot or blank of a name and takes some names for devices, except in the long form.
bool plainFormIsExact(const std::wstring &plain);

// The current directory as the system gives it, without the long-path prefix; empty when it cannot.
std::wstring currentDirectoryPath();

// Whether the system would take a path for a device ("NUL", "C:\dir\COM1", "\\.\pipe\x") rather than for
// a file in a directory.
bool namesDevice(const std::wstring &path);

// The full path of the file or directory a handle holds open, in the long form, wherever it is now (a
// directory renamed meanwhile is followed); empty when it cannot be told.
std::wstring pathOfHandle(HANDLE handle);

// The system path of path, taken as relative to the directory held open by directory
// (INVALID_HANDLE_VALUE: the current directory) when it is relative: what openat would open. A path
// that leaves the directory out ("\a": the root of the directory's drive; "D:a", "C:\a", "\\s\a") is
// taken as the system takes it. False when path names nothing.
bool systemPathIn(HANDLE directory, const QByteArray &path, std::wstring &out);
// The system path of an entry of the directory held open, its name taken exactly as the directory
// listed it (no trailing dot or blank is dropped, no device name is meant).
bool entryPathIn(HANDLE directory, const QByteArray &name, std::wstring &out);
