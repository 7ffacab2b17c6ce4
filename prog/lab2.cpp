// Lucrarea 2: prints the elements of the data file in three groups, each in file order: those below A,
// those in [A, B], then the rest. One pass over the file and no other file: the three groups are kept
// in memory. Usage: LAB2.EXE A B [file]; the file is data.txt beside the program unless named.

#include "course.h"

#include <fstream>

namespace {

void printGroup(const char *title, const std::vector<long long> &group)
{
    std::cout << title;
    if (group.empty())
        std::cout << " (niciunul)";
    for (const long long v : group)
        std::cout << ' ' << v;
    std::cout << '\n';
}

} // namespace

int main(int argc, char **argv)
{
    std::cout << "Lucrarea 2: elementele fisierului in ordinea data de valorile A si B\n\n";
    if (argc != 3 && argc != 4) {
        std::cout << "Folosire: LAB2.EXE A B [fisier]\n";
        return course::finish(2);
    }
    const std::optional<long long> a = course::parseInteger(argv[1]);
    const std::optional<long long> b = course::parseInteger(argv[2]);
    if (!a || !b) {
        std::cout << "EROARE: Valorile A si B trebuie sa fie numere intregi.\n";
        return course::finish(2);
    }
    if (*a > *b) {
        std::cout << "EROARE: Nu e indeplinita conditia A <= B.\n";
        return course::finish(2);
    }
    std::ifstream in;
    std::filesystem::path path;
    if (!course::openInput(in, path, argc, argv, 3, "data.txt"))
        return course::finish(1);

    std::vector<long long> below, inside, above;
    const bool read = course::readIntegers(in, path, [&](long long v) {
        (v < *a ? below : v <= *b ? inside : above).push_back(v);
    });
    if (!read)
        return course::finish(1);

    std::cout << "Fisierul " << path.string() << ", A = " << *a << ", B = " << *b << "\n";
    printGroup("Elementele mai mici decat A:", below);
    printGroup("Elementele din segmentul [A,B]:", inside);
    printGroup("Restul elementelor:", above);
    return course::finish(0);
}
