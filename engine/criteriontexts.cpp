#include "engine/criteriontexts.h"

const CriterionTexts &textsOf(Criterion criterion)
{
    static const CriterionTexts texts[] = {
        {QLatin1StringView("[by name]    "), QStringLiteral("[by name]  ")},
        {QLatin1StringView("[by volume]  "), QStringLiteral("[by volume]  ")},
        {QLatin1StringView("[by time]  "), QStringLiteral("[by time]    ")},
        {QLatin1StringView("[by contents]"), QStringLiteral("[by contents]  ")},
    };
    return texts[int(criterion)];
}
