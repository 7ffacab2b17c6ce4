#include "engine/keys.h"

namespace {

constexpr char kNotAscii = '\x7f';

} // namespace

std::optional<char> typedCharacter(int key, Qt::KeyboardModifiers modifiers, const QString &text)
{
    const bool control = modifiers & Qt::ControlModifier;
    switch (key) {
    case Qt::Key_Backspace:
        return control ? '\x7f' : '\b';
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return control ? '\n' : '\r';
    case Qt::Key_Escape:
        return '\x1b';
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
        return std::nullopt;
    default:
        break;
    }
    if (control && key >= Qt::Key_A && key <= Qt::Key_Z)
        return char(key - Qt::Key_A + 1);
    if (text.isEmpty())
        return std::nullopt;
    if (text.size() != 1 || text[0].unicode() >= 0x80)
        return kNotAscii;
    return char(text[0].unicode());
}
