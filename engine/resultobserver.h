#pragma once

#include <QByteArray>
#include <QLatin1StringView>

#include <functional>
#include <utility>

// Code outside the window that needs each result line with the names' own bytes (the window keeps lines
// only as display texts, where names that differ in a byte or a control character can look the same).
// AddResultLine calls the observer once for every line the view has taken, with the criterion's tag and
// the two names exactly as the criterion compared them.
using ResultLineObserver =
    std::function<void(QLatin1StringView tag, const QByteArray &firstName, const QByteArray &secondName)>;

inline ResultLineObserver &resultLineObserver()
{
    static ResultLineObserver observer;
    return observer;
}

// Empty: no observer.
inline void setResultLineObserver(ResultLineObserver observer)
{
    resultLineObserver() = std::move(observer);
}

inline void observeResultLine(QLatin1StringView tag, const QByteArray &firstName,
                              const QByteArray &secondName)
{
    if (const ResultLineObserver &observer = resultLineObserver())
        observer(tag, firstName, secondName);
}
