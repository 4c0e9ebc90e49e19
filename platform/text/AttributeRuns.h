#pragma once
// The run list behind attributed text: maximal runs of equal attribute
// dictionaries in a treap keyed implicitly by position (each node knows the
// length of its subtree), so finding the run at a position and replacing a
// stretch of runs cost O(log runs), walking k runs O(log runs + k).
// Nodes live in one array and refer to each other by index. Each node also
// knows which attribute names (by a 64-bit hash mask) occur in its subtree, so
// a walk over one rare attribute steps over the stretches without it in
// O(log runs).

#include "platform/foundation/Range.h"
#include "platform/text/Attributes.h"

#include <array>
#include <span>
#include <vector>

namespace plat {

struct AttributeRun {
    qsizetype length = 0;
    Attributes attributes;
};

class AttributeRuns {
public:
    qsizetype length() const;
    bool isEmpty() const { return m_root < 0; }

    // The run holding position (0 <= position < length()); the dictionary stays
    // valid until the runs change.
    struct Found {
        Range range;
        const Attributes* attributes;
    };
    Found find(qsizetype position) const;

    // Replaces [location, location + removed) by the runs given; neighbouring runs
    // with equal dictionaries become one, empty runs vanish.
    void splice(qsizetype location, qsizetype removed, std::span<const AttributeRun> runs);
    void splice(qsizetype location, qsizetype removed, const AttributeRun& run)
    {
        splice(location, removed, std::span<const AttributeRun>(&run, 1));
    }
    // The same with the runs of source (which may be this list) over range.
    void splice(qsizetype location, qsizetype removed, const AttributeRuns& source, Range range);
    // The runs overlapping range, cut to it.
    std::vector<AttributeRun> runsIn(Range range) const;

    bool operator==(const AttributeRuns& other) const;

    // The mask bit of an attribute name; runs whose dictionaries hold the name
    // always have it, a few others may.
    static quint64 nameBit(const QString& name);
    // Forward: the start of the first run ending after position that may hold
    // the name's bit, length() when none. Backward: the end of the last run
    // starting before position that may hold it, 0 when none.
    qsizetype nextRunWithName(quint64 nameBit, qsizetype position, bool forward) const;

    // Walks runs from the one holding a position, forward or backward. Any change
    // of the runs invalidates it.
    class Cursor {
    public:
        Cursor(const AttributeRuns& runs, qsizetype position, bool forward);

        bool isValid() const { return m_node >= 0; }
        qsizetype start() const { return m_start; }
        qsizetype end() const;
        Range range() const { return Range(m_start, end() - m_start); }
        const Attributes& attributes() const;
        // Whether the run's dictionary may hold a name of that bit.
        bool mayHold(quint64 nameBit) const;
        void advance();
        // Moves to the run holding position, in the same direction.
        void seek(qsizetype position);

    private:
        // A stack of nodes that holds a treap's usual depth without allocating.
        class Path {
        public:
            void push(int n)
            {
                if (m_size < qsizetype(m_near.size()))
                    m_near[size_t(m_size)] = n;
                else
                    m_far.push_back(n);
                ++m_size;
            }
            int pop()
            {
                --m_size;
                if (m_size < qsizetype(m_near.size()))
                    return m_near[size_t(m_size)];
                const int n = m_far.back();
                m_far.pop_back();
                return n;
            }
            bool isEmpty() const { return m_size == 0; }
            void clear()
            {
                m_size = 0;
                m_far.clear();
            }

        private:
            std::array<int, 48> m_near;
            std::vector<int> m_far;
            qsizetype m_size = 0;
        };

        const AttributeRuns* m_runs;
        Path m_path; // ancestors still to visit in the walk's direction
        int m_node = -1;
        qsizetype m_start = 0;
        bool m_forward;
    };

private:
    struct Node {
        int left = -1;
        int right = -1;
        quint32 priority = 0;
        qsizetype length = 0;
        qsizetype sum = 0; // length of the subtree
        Attributes attributes;
        quint64 names = 0;        // bits of the dictionary's names
        quint64 subtreeNames = 0; // bits of the names in the subtree
    };

    qsizetype sumOf(int n) const { return n < 0 ? 0 : m_nodes[n].sum; }
    quint64 namesOf(int n) const { return n < 0 ? 0 : m_nodes[n].subtreeNames; }
    static quint64 namesOf(const Attributes& attributes);
    qsizetype firstWithName(int n, qsizetype base, qsizetype position, quint64 nameBit) const;
    qsizetype lastWithName(int n, qsizetype base, qsizetype position, quint64 nameBit) const;
    void update(int n);
    int allocate(qsizetype length, const Attributes& attributes, quint64 names);
    void release(int subtree);
    void split(int t, qsizetype position, int& left, int& right);
    int merge(int a, int b);
    int build(std::span<const AttributeRun> runs);
    void updateSubtree(int n);
    // Debug builds: the runs on either side of position are distinct runs meeting there.
    void assertSeam(qsizetype position) const;
    // Replaces [start, end) by the runs feed(runs) collects.
    template <typename Feed>
    void replaceRuns(qsizetype start, qsizetype end, const Feed& feed);

    std::vector<Node> m_nodes;
    std::vector<int> m_free;
    int m_root = -1;
    quint32 m_seed = 0x9E3779B9u;
};

} // namespace plat
