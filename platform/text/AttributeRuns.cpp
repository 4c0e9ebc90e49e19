#include "platform/text/AttributeRuns.h"

#include <QHash>
#include <algorithm>
#include <iterator>
#include <optional>

namespace plat {

namespace {

// The items of one call: a few inline, more in a vector this thread lends out,
// so that splices do not allocate; a nested call borrows a vector of its own.
template <typename T, std::size_t N>
class Buffer {
public:
    Buffer() = default;
    ~Buffer()
    {
        if (m_far) {
            // Handed back empty: the vector must not keep the dictionaries alive.
            m_far->clear();
            spare() = std::move(*m_far);
        }
    }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;

    bool empty() const { return size() == 0; }
    std::size_t size() const { return m_far ? m_far->size() : m_size; }
    T& front() { return m_far ? m_far->front() : m_near[0]; }
    T& back() { return m_far ? m_far->back() : m_near[m_size - 1]; }
    void pop_back()
    {
        if (m_far)
            m_far->pop_back();
        else
            --m_size;
    }
    void push_back(T item)
    {
        if (!m_far && m_size < N) {
            m_near[m_size++] = std::move(item);
            return;
        }
        if (!m_far) {
            m_far.emplace(std::move(spare()));
            m_far->clear();
            m_far->insert(m_far->end(), std::make_move_iterator(m_near.begin()),
                          std::make_move_iterator(m_near.begin() + m_size));
        }
        m_far->push_back(std::move(item));
    }
    std::span<const T> items() const
    {
        return m_far ? std::span<const T>(*m_far) : std::span<const T>(m_near.data(), m_size);
    }

private:
    static std::vector<T>& spare()
    {
        thread_local std::vector<T> items;
        return items;
    }

    std::array<T, N> m_near{};
    std::size_t m_size = 0;
    std::optional<std::vector<T>> m_far;
};

using CollectedRuns = Buffer<AttributeRun, 4>;

// Adds a run to the collected ones, joined to the last when equal.
void collect(CollectedRuns& runs, qsizetype length, const Attributes& attributes)
{
    if (length <= 0)
        return;
    if (!runs.empty() && runs.back().attributes == attributes)
        runs.back().length += length;
    else
        runs.push_back(AttributeRun{length, attributes});
}

} // namespace

qsizetype AttributeRuns::length() const
{
    return sumOf(m_root);
}

void AttributeRuns::update(int n)
{
    Node& node = m_nodes[n];
    node.sum = node.length + sumOf(node.left) + sumOf(node.right);
    node.subtreeNames = node.names | namesOf(node.left) | namesOf(node.right);
}

quint64 AttributeRuns::nameBit(const QString& name)
{
    return quint64(1) << (qHash(name, 0) & 63);
}

quint64 AttributeRuns::namesOf(const Attributes& attributes)
{
    quint64 names = 0;
    for (const auto& entry : attributes)
        names |= nameBit(entry.first);
    return names;
}

int AttributeRuns::allocate(qsizetype length, const Attributes& attributes, quint64 names)
{
    m_seed ^= m_seed << 13;
    m_seed ^= m_seed >> 17;
    m_seed ^= m_seed << 5;
    int n;
    if (!m_free.empty()) {
        n = m_free.back();
        m_free.pop_back();
    } else {
        n = int(m_nodes.size());
        m_nodes.emplace_back();
    }
    Node& node = m_nodes[n];
    node.left = node.right = -1;
    node.priority = m_seed;
    node.length = node.sum = length;
    node.attributes = attributes;
    node.names = node.subtreeNames = names;
    return n;
}

void AttributeRuns::release(int subtree)
{
    if (subtree < 0)
        return;
    // The free list itself is the queue of nodes still to release.
    std::size_t next = m_free.size();
    m_free.push_back(subtree);
    for (; next < m_free.size(); ++next) {
        Node& node = m_nodes[std::size_t(m_free[next])];
        if (node.left >= 0)
            m_free.push_back(node.left);
        if (node.right >= 0)
            m_free.push_back(node.right);
        node.attributes = Attributes();
    }
}

// Splits t into the first `position` units and the rest; a run across the cut
// becomes two nodes.
void AttributeRuns::split(int t, qsizetype position, int& left, int& right)
{
    if (t < 0) {
        left = right = -1;
        return;
    }
    const qsizetype before = sumOf(m_nodes[t].left);
    const qsizetype after = before + m_nodes[t].length;
    if (position <= before) {
        int l, r;
        split(m_nodes[t].left, position, l, r);
        m_nodes[t].left = r;
        update(t);
        left = l;
        right = t;
    } else if (position >= after) {
        int l, r;
        split(m_nodes[t].right, position - after, l, r);
        m_nodes[t].right = l;
        update(t);
        left = t;
        right = r;
    } else {
        // Same priority as t keeps the heap order of t's former right subtree.
        const Attributes attributes = m_nodes[t].attributes; // allocate() may move the nodes
        const int tail = allocate(after - position, attributes, m_nodes[t].names);
        m_nodes[tail].priority = m_nodes[t].priority;
        m_nodes[tail].right = m_nodes[t].right;
        m_nodes[t].right = -1;
        m_nodes[t].length = position - before;
        update(t);
        update(tail);
        left = t;
        right = tail;
    }
}

int AttributeRuns::merge(int a, int b)
{
    if (a < 0)
        return b;
    if (b < 0)
        return a;
    if (m_nodes[a].priority >= m_nodes[b].priority) {
        const int r = merge(m_nodes[a].right, b);
        m_nodes[a].right = r;
        update(a);
        return a;
    }
    const int l = merge(a, m_nodes[b].left);
    m_nodes[b].left = l;
    update(b);
    return b;
}

void AttributeRuns::updateSubtree(int n)
{
    if (n < 0)
        return;
    updateSubtree(m_nodes[n].left);
    updateSubtree(m_nodes[n].right);
    update(n);
}

// Builds the treap of runs in order in linear time (Cartesian tree over the right spine).
int AttributeRuns::build(std::span<const AttributeRun> runs)
{
    // Room for every new node first, growing geometrically: appending run by run
    // must not copy the nodes each time.
    const std::size_t fresh = runs.size() > m_free.size() ? runs.size() - m_free.size() : 0;
    if (m_nodes.size() + fresh > m_nodes.capacity())
        m_nodes.reserve(std::max(m_nodes.size() + fresh, 2 * m_nodes.capacity()));
    Buffer<int, 16> spine;
    for (const AttributeRun& run : runs) {
        const int n = allocate(run.length, run.attributes, namesOf(run.attributes));
        int last = -1;
        while (!spine.empty() && m_nodes[spine.back()].priority < m_nodes[n].priority) {
            last = spine.back();
            spine.pop_back();
        }
        m_nodes[n].left = last;
        if (!spine.empty())
            m_nodes[spine.back()].right = n;
        spine.push_back(n);
    }
    if (spine.empty())
        return -1;
    updateSubtree(spine.front());
    return spine.front();
}

AttributeRuns::Found AttributeRuns::find(qsizetype position) const
{
    int n = m_root;
    qsizetype base = 0;
    for (;;) {
        const Node& node = m_nodes[n];
        const qsizetype before = sumOf(node.left);
        if (position < base + before) {
            n = node.left;
        } else if (position < base + before + node.length) {
            return Found{Range(base + before, node.length), &node.attributes};
        } else {
            base += before + node.length;
            n = node.right;
        }
    }
}

template <typename Feed>
void AttributeRuns::replaceRuns(qsizetype start, qsizetype end, const Feed& feed)
{
    Q_ASSERT(0 <= start && start <= end && end <= length());
    CollectedRuns runs;
    // Take in the neighbouring runs so that equal neighbours can join.
    if (start > 0) {
        const Found before = find(start - 1);
        collect(runs, start - before.range.location, *before.attributes);
        start = before.range.location;
    }
    feed(runs); // reads only: the runs change after every run is collected
    if (end < length()) {
        const Found after = find(end);
        collect(runs, after.range.end() - end, *after.attributes);
        end = after.range.end();
    }

    int head, middle, tail;
    split(m_root, start, head, middle);
    split(middle, end - start, middle, tail);
    release(middle);
    m_root = merge(merge(head, build(runs.items())), tail);
#ifndef QT_NO_DEBUG
    // The new runs meet their neighbours at run boundaries and differ from them,
    // so the list stays one of maximal, non-empty runs.
    qsizetype seam = start;
    for (const AttributeRun& run : runs.items()) {
        Q_ASSERT(run.length > 0);
        assertSeam(seam);
        seam += run.length;
    }
    assertSeam(seam);
#endif
}

void AttributeRuns::assertSeam([[maybe_unused]] qsizetype position) const
{
#ifndef QT_NO_DEBUG
    if (position <= 0 || position >= length())
        return;
    const Found before = find(position - 1);
    const Found after = find(position);
    Q_ASSERT(before.range.end() == position && after.range.location == position);
    Q_ASSERT(!(*before.attributes == *after.attributes));
#endif
}

void AttributeRuns::splice(qsizetype location, qsizetype removed, std::span<const AttributeRun> runs)
{
    replaceRuns(location, location + removed, [&](CollectedRuns& collected) {
        for (const AttributeRun& run : runs)
            collect(collected, run.length, run.attributes);
    });
}

void AttributeRuns::splice(qsizetype location, qsizetype removed, const AttributeRuns& source, Range range)
{
    replaceRuns(location, location + removed, [&](CollectedRuns& collected) {
        if (range.length <= 0)
            return;
        for (Cursor c(source, range.location, true); c.isValid() && c.start() < range.end(); c.advance())
            collect(collected, std::min(c.end(), range.end()) - std::max(c.start(), range.location), c.attributes());
    });
}

qsizetype AttributeRuns::firstWithName(int n, qsizetype base, qsizetype position, quint64 nameBit) const
{
    if (n < 0 || !(m_nodes[n].subtreeNames & nameBit))
        return NotFound;
    const Node& node = m_nodes[n];
    const qsizetype start = base + sumOf(node.left);
    const qsizetype end = start + node.length;
    if (position < start) {
        const qsizetype found = firstWithName(node.left, base, position, nameBit);
        if (found != NotFound)
            return found;
    }
    if (position < end && (node.names & nameBit))
        return start;
    return firstWithName(node.right, end, position, nameBit);
}

qsizetype AttributeRuns::lastWithName(int n, qsizetype base, qsizetype position, quint64 nameBit) const
{
    if (n < 0 || !(m_nodes[n].subtreeNames & nameBit))
        return NotFound;
    const Node& node = m_nodes[n];
    const qsizetype start = base + sumOf(node.left);
    const qsizetype end = start + node.length;
    if (position > end) {
        const qsizetype found = lastWithName(node.right, end, position, nameBit);
        if (found != NotFound)
            return found;
    }
    if (position > start && (node.names & nameBit))
        return end;
    return lastWithName(node.left, base, position, nameBit);
}

qsizetype AttributeRuns::nextRunWithName(quint64 nameBit, qsizetype position, bool forward) const
{
    const qsizetype found = forward ? firstWithName(m_root, 0, position, nameBit)
                                    : lastWithName(m_root, 0, position, nameBit);
    if (found == NotFound)
        return forward ? length() : 0;
    return found;
}

std::vector<AttributeRun> AttributeRuns::runsIn(Range range) const
{
    std::vector<AttributeRun> runs;
    if (range.length <= 0)
        return runs;
    for (Cursor c(*this, range.location, true); c.isValid() && c.start() < range.end(); c.advance()) {
        const qsizetype from = std::max(c.start(), range.location);
        const qsizetype to = std::min(c.end(), range.end());
        Q_ASSERT(from < to);
        Q_ASSERT(runs.empty() || !(runs.back().attributes == c.attributes()));
        runs.push_back(AttributeRun{to - from, c.attributes()});
    }
    return runs;
}

bool AttributeRuns::operator==(const AttributeRuns& other) const
{
    if (length() != other.length())
        return false;
    if (isEmpty())
        return true;
    Cursor a(*this, 0, true);
    Cursor b(other, 0, true);
    for (; a.isValid() && b.isValid(); a.advance(), b.advance()) {
        if (a.range() != b.range() || a.attributes() != b.attributes())
            return false;
    }
    return a.isValid() == b.isValid();
}

AttributeRuns::Cursor::Cursor(const AttributeRuns& runs, qsizetype position, bool forward)
    : m_runs(&runs), m_forward(forward)
{
    seek(position);
}

void AttributeRuns::Cursor::seek(qsizetype position)
{
    const AttributeRuns& runs = *m_runs;
    m_path.clear();
    m_node = -1;
    int n = runs.m_root;
    qsizetype base = 0;
    while (n >= 0) {
        const Node& node = runs.m_nodes[n];
        const qsizetype before = runs.sumOf(node.left);
        if (position < base + before) {
            if (m_forward)
                m_path.push(n);
            n = node.left;
        } else if (position < base + before + node.length) {
            m_node = n;
            m_start = base + before;
            return;
        } else {
            if (!m_forward)
                m_path.push(n);
            base += before + node.length;
            n = node.right;
        }
    }
    m_path.clear();
}

bool AttributeRuns::Cursor::mayHold(quint64 nameBit) const
{
    return m_runs->m_nodes[m_node].names & nameBit;
}

qsizetype AttributeRuns::Cursor::end() const
{
    return m_start + m_runs->m_nodes[m_node].length;
}

const Attributes& AttributeRuns::Cursor::attributes() const
{
    return m_runs->m_nodes[m_node].attributes;
}

void AttributeRuns::Cursor::advance()
{
    const auto& nodes = m_runs->m_nodes;
    const qsizetype length = nodes[m_node].length;
    int next = m_forward ? nodes[m_node].right : nodes[m_node].left;
    if (next >= 0) {
        for (;;) {
            const int inner = m_forward ? nodes[next].left : nodes[next].right;
            if (inner < 0)
                break;
            m_path.push(next);
            next = inner;
        }
    } else if (!m_path.isEmpty()) {
        next = m_path.pop();
    }
    m_node = next;
    if (m_forward)
        m_start += length;
    else if (m_node >= 0)
        m_start -= nodes[m_node].length;
    // Runs follow each other without gaps: the next one starts where this ended.
    Q_ASSERT(m_node < 0 || (nodes[m_node].length > 0 && m_start >= 0 && end() <= m_runs->length()));
}

} // namespace plat
