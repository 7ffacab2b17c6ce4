// Stands for an exercise program that the shell starts: writes "started.txt" in its current directory,
// in UTF-8, one line each: that directory, the number of arguments, then each argument as the system's
// parser (CommandLineToArgvW) takes it from the command line. Written under another name and renamed,
// so that whoever waits for the file never reads half of it. Uses the system's calls alone, so that it
// runs wherever it is copied.

#include <windows.h>

#include <shellapi.h>

namespace {

void writeLine(HANDLE file, const wchar_t *text)
{
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    char *bytes = static_cast<char *>(::HeapAlloc(::GetProcessHeap(), 0, DWORD(length)));
    if (!bytes)
        ::ExitProcess(3);
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, length, nullptr, nullptr);
    DWORD written = 0;
    bytes[length - 1] = '\n';
    if (!::WriteFile(file, bytes, DWORD(length), &written, nullptr) || written != DWORD(length))
        ::ExitProcess(4);
    ::HeapFree(::GetProcessHeap(), 0, bytes);
}

} // namespace

int main()
{
    int count = 0;
    wchar_t **arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!arguments)
        return 1;
    const HANDLE file = ::CreateFileW(L"started.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 2;
    wchar_t directory[32768];
    if (!::GetCurrentDirectoryW(32768, directory))
        return 5;
    writeLine(file, directory);
    wchar_t number[16];
    ::wsprintfW(number, L"%d", count - 1);
    writeLine(file, number);
    for (int i = 1; i < count; ++i)
        writeLine(file, arguments[i]);
    ::CloseHandle(file);
    return ::MoveFileExW(L"started.tmp", L"started.txt", MOVEFILE_REPLACE_EXISTING) ? 0 : 6;
}
