#pragma once

#include "engine/listing.h"

#include <QByteArray>

#include <deque>

// Full paths of the files of one directory, the entry found last on top.
class PathStack
{
public:
    void push(QByteArray path) { m_paths.push_back(std::move(path)); }
    bool empty() const { return m_paths.empty(); }
    qsizetype size() const { return qsizetype(m_paths.size()); }
    const QByteArray &top() const { return m_paths.back(); }
    void pop() { m_paths.pop_back(); }
    void pop_back() { pop(); }

    // Position 0 is the bottom of the stack, the first entry the search returned.
    const QByteArray &at(qsizetype i) const { return m_paths[size_t(i)]; }

    // What the listing that filled the stack found out about each file, position by position, so that no
    // file needs to be looked at again; null when the stack does not hold exactly those files.
    void setListing(Listing listing) { m_listing = std::move(listing); }
    const QualifyingFiles *listing() const
    {
        return m_listing && m_listing->count() == size() ? m_listing.get() : nullptr;
    }

private:
    std::deque<QByteArray> m_paths;
    Listing m_listing;
};
