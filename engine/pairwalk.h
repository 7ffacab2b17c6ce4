#pragma once

#include <QtGlobal>

#include <algorithm>
#include <optional>
#include <span>
#include <vector>

class Pacing;

// The pair loop that the name, size, date and content criteria share: every directory-1 file (a row)
// against every directory-2 file (a column), rows in the outer loop, each pair's steps in the order its
// criterion takes them. Only a pair whose keys may be equal can give a line; the pairs in between change
// nothing but the progress text and the points where the window is served and the stop flag is polled. The
// walk passes over such stretches at once and takes a pair step by step only when it is a candidate, when
// the window is due to be served there, or when a stop has to be seen. A run is then still a run of the
// pair loop in which every click landed on one of its pairs.

// Where a pair's hand-over to the event loop and its stop poll stand among its steps.
enum class PairSteps {
    ProgressPollHandOverLine,     // the name criterion
    LineProgressHandOverPoll,     // the size criterion
    LineProgressPollHandOver,     // the date criterion
    HandOverReadPollLineProgress, // the content criterion: its byte steps come between the poll and the line
};

struct WalkShape
{
    PairSteps steps;
    // The same-directory rule: row i passes over columns 0..i.
    bool passOverEarlierColumns = false;
    // A passed-over pair still hands over (and does nothing else).
    bool passedOverPairsHandOver = false;
};

// What the walk asks of a criterion. Rows and columns are positions in the order the loops meet them.
class PairVisitor
{
public:
    virtual ~PairVisitor() = default;

    // The columns of the row being walked (asked after enterRow).
    virtual qint64 columns() const = 0;
    // Row i starts, after its hand-over; false ends the walk.
    virtual bool enterRow(qint64 /*row*/) { return true; }
    // Row i is done; false ends the walk.
    virtual bool leaveRow(qint64 /*row*/) { return true; }
    // The first column at or after from whose pair with the row may coincide (columns() if none). Asked
    // with from growing along a row.
    virtual qint64 nextCandidate(qint64 row, qint64 from) = 0;
    // The read step of a pair (the content criterion's); false when a stop ended it.
    virtual bool read(qint64 /*row*/, qint64 /*column*/) { return true; }
    // The content criterion's byte steps of a pair: how many bytes its loop compares (each with a progress
    // text, a stop poll and a hand-over point), as far as the walk needs to count them; 0: none.
    virtual qint64 byteSteps(qint64 /*row*/, qint64 /*column*/) { return 0; }
    // Records the progress text of a pair's byte step.
    virtual void progressAt(qint64 /*row*/, qint64 /*column*/, qint64 /*byte*/) {}
    // Whether the pair coincides, for any pair.
    virtual bool coincide(qint64 row, qint64 column) = 0;
    // Writes the pair's result line.
    virtual void report(qint64 row, qint64 column) = 0;
    // Records the pair's progress text.
    virtual void progress(qint64 row, qint64 column) = 0;
};

// Walks rows 0..rows-1. Ends early when the stop flag is found set at a poll, or when the visitor says so.
void walkPairs(qint64 rows, const WalkShape &shape, PairVisitor &visitor, const bool &stop, Pacing &pacing);

// The columns grouped by key, each group in column order, for finding a row's candidates without looking
// at the other columns.
class ColumnIndex
{
public:
    // keys: one per column; columns whose key is `never` belong to no group. The pacing, when given, keeps
    // the window served while a large index is made.
    ColumnIndex(const std::vector<qint64> &keys, std::optional<qint64> never, Pacing *pacing = nullptr);
    ColumnIndex() = default;

    // The columns of one key, walked forwards.
    class Cursor
    {
    public:
        Cursor() = default;
        Cursor(const qint64 *begin, const qint64 *end) : m_at(begin), m_end(end) {}
        // The columns given, from the first at or after from.
        Cursor(std::span<const qint64> columns, qint64 from);
        // The first column at or after from, or `none`.
        qint64 next(qint64 from, qint64 none)
        {
            if (m_at != m_end && *m_at < from)
                m_at = std::lower_bound(m_at, m_end, from);
            return m_at != m_end ? *m_at : none;
        }

    private:
        const qint64 *m_at = nullptr;
        const qint64 *m_end = nullptr;
    };

    // The columns whose key is key, in order.
    std::span<const qint64> columnsWith(qint64 key) const;
    // The same, from the first at or after from.
    Cursor columnsOf(qint64 key, qint64 from) const { return Cursor(columnsWith(key), from); }

private:
    std::vector<qint64> m_keys;    // the distinct keys, sorted
    std::vector<qint64> m_starts;  // where each key's columns start in m_columns
    std::vector<qint64> m_columns; // grouped by key, each group ascending
};
