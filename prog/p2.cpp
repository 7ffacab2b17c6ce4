// Problema 2: the number written with the digits of the given number in reverse order (1230 gives 321,
// -45 gives -54).

#include "course.h"

namespace {

// The magnitude of a long long has at most 19 digits, and any 19 digits fit in an unsigned 64-bit
// number, so the reversal cannot overflow.
unsigned long long reverseDigits(unsigned long long n)
{
    unsigned long long reversed = 0;
    while (n > 0) {
        reversed = reversed * 10 + n % 10;
        n /= 10;
    }
    return reversed;
}

} // namespace

int main()
{
    std::cout << "Problema 2: numarul format din cifrele numarului dat, in ordine inversa\n\n";
    std::string line;
    std::optional<long long> number;
    while (!number) {
        if (!course::askLine("Introduceti un numar intreg: ", line)) {
            std::cout << "\nNu s-a citit niciun numar.\n";
            return course::finish(1);
        }
        const std::vector<std::string> tokens = course::words(line);
        if (tokens.size() == 1)
            number = course::parseInteger(tokens[0]);
        if (!number)
            std::cout << "'" << line << "' nu este un numar intreg. Incercati din nou.\n";
    }

    const bool negative = *number < 0;
    const unsigned long long magnitude =
        negative ? 0ULL - static_cast<unsigned long long>(*number) : static_cast<unsigned long long>(*number);
    const unsigned long long reversed = reverseDigits(magnitude);
    std::cout << "Numarul format din cifrele lui " << *number << " in ordine inversa este "
              << (negative && reversed != 0 ? "-" : "") << reversed << ".\n";
    return course::finish(0);
}
