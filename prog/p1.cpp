// Problema 1: prints, in reverse order, the run of a singly linked list that lies between its minimum
// and its maximum (both included; whichever of them comes first).

#include "course.h"

#include <algorithm>
#include <memory>

namespace {

struct Node
{
    long long value;
    std::unique_ptr<Node> next;
};

// A singly linked list that can grow at either end.
class List
{
public:
    List() = default;
    List(const List &) = delete;
    List &operator=(const List &) = delete;
    // Unlinked one node at a time: the default chain of destructors would recurse once per element.
    ~List()
    {
        while (m_head)
            m_head = std::move(m_head->next);
    }

    void pushBack(long long value)
    {
        auto node = std::make_unique<Node>(Node{value, nullptr});
        Node *raw = node.get();
        if (m_tail)
            m_tail->next = std::move(node);
        else
            m_head = std::move(node);
        m_tail = raw;
    }

    void pushFront(long long value)
    {
        m_head = std::make_unique<Node>(Node{value, std::move(m_head)});
        if (!m_tail)
            m_tail = m_head.get();
    }

    const Node *head() const { return m_head.get(); }
    bool empty() const { return !m_head; }

private:
    std::unique_ptr<Node> m_head;
    Node *m_tail = nullptr;
};

void print(const List &list)
{
    for (const Node *n = list.head(); n; n = n->next.get())
        std::cout << ' ' << n->value;
    std::cout << '\n';
}

// Reads the list from one line; asks again after a line with no numbers or with a word that is not one.
bool readList(List &list)
{
    std::string line;
    for (;;) {
        if (!course::askLine("Introduceti elementele listei (numere intregi separate prin spatii):\n> ",
                             line))
            return false;
        const std::vector<std::string> tokens = course::words(line);
        if (tokens.empty()) {
            std::cout << "Lista nu are niciun element. Incercati din nou.\n";
            continue;
        }
        List read;
        bool valid = true;
        for (const std::string &t : tokens) {
            const std::optional<long long> v = course::parseInteger(t);
            if (!v) {
                std::cout << "Valoarea '" << t << "' nu este un numar intreg. Incercati din nou.\n";
                valid = false;
                break;
            }
            read.pushBack(*v);
        }
        if (valid) {
            for (const Node *n = read.head(); n; n = n->next.get())
                list.pushBack(n->value);
            return true;
        }
    }
}

} // namespace

int main()
{
    std::cout << "Problema 1: elementele dintre minimul si maximul unei liste simplu inlantuite, "
                 "in ordine inversa\n\n";
    List list;
    if (!readList(list)) {
        std::cout << "\nNu s-a citit nicio lista.\n";
        return course::finish(1);
    }

    // The first minimum and the first maximum, by position.
    std::size_t position = 0, minPos = 0, maxPos = 0;
    long long minValue = list.head()->value, maxValue = minValue;
    for (const Node *n = list.head(); n; n = n->next.get(), ++position) {
        if (n->value < minValue)
            minValue = n->value, minPos = position;
        if (n->value > maxValue)
            maxValue = n->value, maxPos = position;
    }
    const std::size_t first = std::min(minPos, maxPos), last = std::max(minPos, maxPos);

    // Pushing each element of the run to the front of a new list reverses it.
    List reversed;
    position = 0;
    for (const Node *n = list.head(); n && position <= last; n = n->next.get(), ++position)
        if (position >= first)
            reversed.pushFront(n->value);

    std::cout << "Lista:";
    print(list);
    std::cout << "Minimul este " << minValue << " (pozitia " << minPos + 1 << "), maximul este " << maxValue
              << " (pozitia " << maxPos + 1 << ").\n";
    std::cout << "Elementele dintre minim si maxim, in ordine inversa:";
    print(reversed);
    return course::finish(0);
}
