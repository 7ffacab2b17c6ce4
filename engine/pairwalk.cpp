#include "engine/pairwalk.h"

#include "engine/pacing.h"

#include <algorithm>
#include <utility>

namespace {

// One pair's steps in its criterion's order; false when the walk ends there.
bool stepPair(PairSteps steps, PairVisitor &v, qint64 i, qint64 j, const bool &stop, Pacing &pacing)
{
    switch (steps) {
    case PairSteps::ProgressPollHandOverLine:
        v.progress(i, j);
        if (stop)
            return false;
        pacing.ProcessMessages();
        if (v.coincide(i, j))
            v.report(i, j);
        return true;
    case PairSteps::LineProgressHandOverPoll:
        if (v.coincide(i, j))
            v.report(i, j);
        v.progress(i, j);
        pacing.ProcessMessages();
        return !stop;
    case PairSteps::LineProgressPollHandOver:
        if (v.coincide(i, j))
            v.report(i, j);
        v.progress(i, j);
        if (stop)
            return false;
        pacing.ProcessMessages();
        return true;
    case PairSteps::HandOverReadPollLineProgress:
        pacing.ProcessMessages();
        if (!v.read(i, j) || stop)
            return false;
        for (qint64 k = 0, steps = v.byteSteps(i, j); k < steps; ++k) {
            v.progressAt(i, j, k);
            if (stop)
                return false;
            pacing.ProcessMessages();
        }
        if (v.coincide(i, j))
            v.report(i, j);
        v.progress(i, j);
        return true;
    }
    return true;
}

// Passed-over pairs of the same-directory rule that still hand over: their hand-overs alone.
void handOverPassedPairs(qint64 count, Pacing &pacing)
{
    for (qint64 done = 0; done < count;) {
        done += pacing.passPoints(count - done);
        if (done < count) {
            pacing.ProcessMessages();
            ++done;
        }
    }
}

} // namespace

void walkPairs(qint64 rows, const WalkShape &shape, PairVisitor &v, const bool &stop, Pacing &pacing)
{
    for (qint64 i = 0; i < rows; ++i) {
        pacing.ProcessMessages();
        if (!v.enterRow(i))
            return;
        const qint64 columns = v.columns();
        qint64 j = 0;
        if (shape.passOverEarlierColumns) {
            j = std::min(i + 1, columns);
            if (shape.passedOverPairsHandOver)
                handOverPassedPairs(j, pacing);
        }
        while (j < columns) {
            // A stop must be seen at the very next poll, so the next pair is taken step by step.
            const qint64 candidate = stop ? j : v.nextCandidate(i, j);
            if (candidate > j) {
                // The pairs before the candidate give no line: the walk is only where the progress text
                // and the hand-over points say it is.
                const qint64 passed = pacing.passPoints(candidate - j);
                if (passed > 0)
                    v.progress(i, j + passed - 1);
                j += passed;
                // Short of the candidate, the window is due to be served at pair j.
            }
            if (j >= columns)
                break;
            if (!stepPair(shape.steps, v, i, j, stop, pacing))
                return;
            ++j;
        }
        if (!v.leaveRow(i))
            return;
    }
}

ColumnIndex::ColumnIndex(const std::vector<qint64> &keys, std::optional<qint64> never, Pacing *pacing)
{
    const auto keepAlive = [pacing] {
        if (pacing)
            pacing->keepAlive();
    };
    std::vector<std::pair<qint64, qint64>> keyed;
    keyed.reserve(keys.size());
    for (size_t j = 0; j < keys.size(); ++j) {
        keepAlive();
        if (keys[j] != never)
            keyed.emplace_back(keys[j], qint64(j));
    }
    std::sort(keyed.begin(), keyed.end());
    m_columns.reserve(keyed.size());
    for (size_t k = 0; k < keyed.size(); ++k) {
        keepAlive();
        if (k == 0 || keyed[k].first != keyed[k - 1].first) {
            m_keys.push_back(keyed[k].first);
            m_starts.push_back(qint64(k));
        }
        m_columns.push_back(keyed[k].second);
    }
    m_starts.push_back(qint64(keyed.size()));
}

std::span<const qint64> ColumnIndex::columnsWith(qint64 key) const
{
    const auto found = std::lower_bound(m_keys.begin(), m_keys.end(), key);
    if (found == m_keys.end() || *found != key)
        return {};
    const size_t g = size_t(found - m_keys.begin());
    return {m_columns.data() + m_starts[g], m_columns.data() + m_starts[g + 1]};
}

ColumnIndex::Cursor::Cursor(std::span<const qint64> columns, qint64 from)
    : m_at(std::lower_bound(columns.data(), columns.data() + columns.size(), from)),
      m_end(columns.data() + columns.size())
{
}
