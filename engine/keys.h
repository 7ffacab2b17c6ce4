#pragma once

#include <QString>
#include <Qt>

#include <optional>

// The character that a key press types, as the key filters see it, or nullopt for a key that types
// none (arrows, Home, End, Delete, Tab, function keys): those are not filtered. Decided by the key and
// its modifiers, not by the text alone, because the text of Ctrl+V is "\x16" on X11 but "v" from other
// sources: with Ctrl a letter is its control character, Backspace is DEL and Enter is LF. A character
// outside ASCII, or a text of several characters, comes out as a code that no filter lets through.
std::optional<char> typedCharacter(int key, Qt::KeyboardModifiers modifiers, const QString &text);
