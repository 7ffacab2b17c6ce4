#pragma once

#include <QFont>

// The font families the window description names. Not every machine has them; installFontSubstitutes()
// maps each missing one to the nearest installed face, so text never falls to a symbol font.
enum class Face { MsSansSerif, Verdana, Tahoma, Impact, Arial, CourierNew };

QFont uiFont(Face face, int pixelSize, bool bold = false);
void installFontSubstitutes();
