#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// A signed 32-bit decimal number: an optional sign, then one or more ASCII digits, nothing else (no
// blanks, no hexadecimal prefix). Leading zeros do not count against the range.
std::optional<qint32> parseInt32(QStringView text);

// The toolkit's text-to-integer conversion, strict as parseInt32; raises EConvertError
// "'%s' is not a valid integer value" naming the text.
qint32 StrToInt(const QString &text);
