#pragma once

#include <QByteArray>
#include <QtGlobal>

// File systems here keep no DOS attributes of their own. Samba stores them in the user.DOSATTRIB extended
// attribute; without one they are made up from the name and the mode.

// The attribute word of a regular file: defaults from its name and mode, overridden by a stored
// DOS attribute value where one is given (dosAttrib < 0: none).
quint32 regularFileAttr(const QByteArray &name, unsigned mode, int dosAttrib);
// The attribute bits in a stored user.DOSATTRIB value, or -1 when it holds none.
int parseDosAttrib(const QByteArray &value);
