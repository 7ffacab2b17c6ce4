#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// The checks a comparison run makes before it starts, and the texts of its start and end, shared by the
// window and vestrel-compare so that the two cannot drift apart.

// The caption of the box that refuses a run.
QString refusalCaption();
// Why the two path texts cannot be compared, in the order the page checks them: both must be given,
// then each must name a directory. Nothing when both pass.
std::optional<QString> pathsRefusal(const QString &path1, const QString &path2);
// What the progress field says while a run gets ready.
QString waitingText();
// The count of coincidences at the end of a run.
QString resultCountText(qint64 lines);
// Why a run stopped early: the results could take no more lines.
QString resultsFullText(qint64 lines);
