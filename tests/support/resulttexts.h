#pragma once

#include <QString>

// The texts the comparison shows, in the window and from vestrel-compare alike: the count that ends a run,
// and one result line of each criterion.
QString countText(qint64 n);
QString nameLine(const QString &first, const QString &second);
QString sizeLine(const QString &first, const QString &second);
QString dateLine(const QString &first, const QString &second);
QString contentsLine(const QString &first, const QString &second);
