// Problema 3: converts the integers read from a file to hexadecimal with a recursive function. The file
// is the one named on the command line, or numar.txt beside the program.

#include "course.h"

#include <fstream>

namespace {

// The digits of n in base 16, most significant first: the higher digits are written by the recursive
// call before this one writes the last.
void writeHex(std::ostream &out, unsigned long long n)
{
    if (n >= 16)
        writeHex(out, n / 16);
    out << "0123456789ABCDEF"[n % 16];
}

} // namespace

int main(int argc, char **argv)
{
    std::cout << "Problema 3: conversia in hexazecimal a unui numar intreg citit din fisier\n\n";
    if (argc > 2) {
        std::cout << "Folosire: P3.EXE [fisier]\n";
        return course::finish(2);
    }
    std::ifstream in;
    std::filesystem::path path;
    if (!course::openInput(in, path, argc, argv, 1, "numar.txt"))
        return course::finish(1);

    std::vector<long long> numbers;
    if (!course::readIntegers(in, path, [&](long long v) { numbers.push_back(v); }))
        return course::finish(1);
    if (numbers.empty()) {
        std::cout << "EROARE: Fisierul " << path.string() << " nu contine niciun numar.\n";
        return course::finish(1);
    }

    std::cout << "Numerele din fisierul " << path.string() << ":\n";
    for (const long long n : numbers) {
        std::cout << n << " = ";
        if (n < 0)
            std::cout << '-';
        writeHex(std::cout,
                 n < 0 ? 0ULL - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n));
        std::cout << " (hexazecimal)\n";
    }
    return course::finish(0);
}
