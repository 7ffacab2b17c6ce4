// What the exercise programs share: reading from the keyboard, whole numbers, and the pause that keeps
// a terminal window open until the student has read the result.
#pragma once

#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace course {

// A whole number as a student writes it: an optional sign and digits, in the range of long long.
inline std::optional<long long> parseInteger(std::string_view text)
{
    // from_chars takes a minus sign but not a plus sign.
    const bool plus = !text.empty() && text.front() == '+';
    if (plus)
        text.remove_prefix(1);
    if (text.empty() || (plus && text.front() == '-'))
        return std::nullopt;
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

inline std::vector<std::string> words(const std::string &line)
{
    std::vector<std::string> found;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        if (i > start)
            found.push_back(line.substr(start, i - start));
    }
    return found;
}

// Prints the prompt and reads one line; false when the input has ended.
inline bool askLine(const std::string &prompt, std::string &line)
{
    std::cout << prompt << std::flush;
    if (!std::getline(std::cin, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

inline bool interactive()
{
    return ::isatty(STDIN_FILENO) == 1;
}

// A program started in a terminal window would close it, and its result, the moment it ends.
inline int finish(int status)
{
    if (interactive()) {
        std::cout << "\nApasati Enter pentru a inchide fereastra..." << std::flush;
        std::string ignored;
        std::getline(std::cin, ignored);
    }
    return status;
}

// A file that lies beside the program, wherever it was started from.
inline std::filesystem::path besideProgram(const char *argv0, const char *name)
{
    const std::filesystem::path program(argv0 ? argv0 : "");
    return program.parent_path() / name;
}

// Reads every integer of a file, line by line, and hands each to use. Says where a word is no integer
// and returns false.
template <class Use> bool readIntegers(std::istream &in, const std::filesystem::path &path, Use use)
{
    std::string line;
    for (int lineNumber = 1; std::getline(in, line); ++lineNumber) {
        for (const std::string &word : words(line)) {
            const std::optional<long long> v = parseInteger(word);
            if (!v) {
                std::cout << "EROARE: In fisierul " << path.string() << ", linia " << lineNumber
                          << ", valoarea '" << word << "' nu este un numar intreg.\n";
                return false;
            }
            use(*v);
        }
    }
    return true;
}

// Opens the input file: the one named by argument `index` when it is given, else `name` beside the
// program; path tells which. Says so when it cannot be opened.
inline bool openInput(std::ifstream &in, std::filesystem::path &path, int argc, char *argv[], int index,
                      const char *name)
{
    path = argc > index ? std::filesystem::path(argv[index]) : besideProgram(argv[0], name);
    in.open(path, std::ios::binary);
    if (!in)
        std::cout << "EROARE: Fisierul " << path.string() << " nu poate fi deschis.\n";
    return bool(in);
}

} // namespace course
