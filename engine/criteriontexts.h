#pragma once

#include <QLatin1StringView>
#include <QString>

// The texts of the four criteria: the tag that starts their result lines and the prefix of their progress
// texts. The blank counts differ from one criterion to the next, and between tag and prefix, and matter.
struct CriterionTexts
{
    QLatin1StringView tag;
    QString progress;
};

enum class Criterion { Name, Volume, Time, Contents };

const CriterionTexts &textsOf(Criterion criterion);
