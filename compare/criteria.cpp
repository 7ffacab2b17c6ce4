// The four criteria: every pair of files, directory 1 in the outer loop, one result line per
// coincidence. They are the engine's (engine/criteria.cpp, engine/contentcriterion.cpp).

#include "app/vestrel.h"

void TfMain::CompareByName(PathStack stack1, PathStack stack2)
{
    m_comparison->CompareByName(std::move(stack1), std::move(stack2));
}

void TfMain::CompareByVolume(quint32 mask)
{
    m_comparison->CompareByVolume(mask);
}

void TfMain::CompareByTime(quint32 mask)
{
    m_comparison->CompareByTime(mask);
}

void TfMain::CompareByContents(PathStack stack1, PathStack stack2)
{
    m_comparison->CompareByContents(std::move(stack1), std::move(stack2));
}
