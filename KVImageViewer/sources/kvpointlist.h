#pragma once

#include "ghompt.h"
#include "gpoint2d.h"
#include "grect2d.h"

#include <QCursor>
#include <QGuiApplication>
#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

// Small tools that the point lists share with the viewers that own them.
namespace kv {

// Runs f, which may grow containers; a failed allocation is reported and f's caller goes on
// with what it had.
template<typename F>
bool allocating(F f)
{
    try {
        f();
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    qWarning("MEMORY EXCEPTION");
    return false;
}

// Room for one more element, growing geometrically so that adding one at a time stays linear.
template<typename V>
void reserveOneMore(V& v)
{
    if (v.size() == v.capacity())
        v.reserve(std::max<size_t>(16, v.size() * 2));
}

inline bool validIndex(int nr, size_t count)
{
    return nr >= 0 && size_t(nr) < count;
}

inline bool isFinite(const GPoint2D& p)
{
    return std::isfinite(p(0)) && std::isfinite(p(1));
}

// The wait cursor for as long as it lives.
class WaitCursor
{
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace kv

// Relative equality: |a - b| / max(|a|, |b|) below 1e-15, or both magnitudes below 1e-15.
bool kvFuzzyEqual(double a, double b);
// Every coordinate (of both points of a pair) equal by kvFuzzyEqual().
bool kvFuzzyEqual(const GPoint2D& a, const GPoint2D& b);
bool kvFuzzyEqual(const GHomPt& a, const GHomPt& b);

// What removing an entry does to a highlight on a later one: it keeps its number (and so
// names the entry that moved up into its place), or it moves down with its entry.
enum class KVHighlightAfterRemoval { KeepsNumber, FollowsEntry };

// A list of marked positions (a GPoint2DVector or a GHomPtVector) with what the viewers keep
// beside it: a selection flag per entry and their count, one highlighted entry and whether the
// list's search grid must be rebuilt. Each viewer owns one per kind of mark and does its own
// repainting and signalling; operations that repaint as they go take the repaint of one entry
// (and of the whole viewport) as callables.
template<typename List>
class KVPointList
{
public:
    using Point = typename List::value_type;

    // Above this many single-entry repaints one repaint of the viewport is cheaper.
    static constexpr int kSeparateRepaints = 64;

    explicit KVPointList(KVHighlightAfterRemoval afterRemoval
                         = KVHighlightAfterRemoval::KeepsNumber)
        : m_afterRemoval(afterRemoval)
    {
    }

    const List& list() const { return m_list; }
    size_t size() const { return m_list.size(); }
    bool empty() const { return m_list.empty(); }
    const Point& operator[](size_t i) const { return m_list[i]; }
    bool contains(int nr) const { return kv::validIndex(nr, m_list.size()); }

    bool isSelected(int nr) const { return contains(nr) && m_selected[size_t(nr)]; }
    int selectedCount() const { return m_selectedCount; }
    // True when every flag is `on` already.
    bool allFlagsAre(bool on) const { return m_selectedCount == (on ? int(m_list.size()) : 0); }

    // The highlight as stored: -1 for none, below -1 an entry that was just clicked
    // (index = -2 - value).
    int highlighted() const { return m_highlighted; }
    // The index behind the highlight, whether plain or marked as just clicked.
    int highlightedIndex() const
    {
        return m_highlighted < -1 ? -2 - m_highlighted : m_highlighted;
    }
    // Marks a highlight on nr as just clicked; a highlight elsewhere stays as it is.
    void markHighlightClicked(int nr)
    {
        if (highlightedIndex() == nr)
            m_highlighted = -2 - nr;
    }
    // Something is drawn emphasised: a selected or a highlighted entry.
    bool hasEmphasis() const { return m_selectedCount != 0 || m_highlighted != -1; }

    // The grid is rebuilt when the list is next searched, so that a burst of changes (adding
    // many points, every step of a drag) costs one rebuild. It is a cache: const users that
    // rebuild it say so.
    bool isGridStale() const { return m_gridStale; }
    void setGridBuilt() const { m_gridStale = false; }
    // For lists that carry their own grid.
    void rebuildGrid(const GRect2D& area, int cells)
    {
        m_list.buildGrid(area, cells, cells);
        m_gridStale = false;
    }

    // Replaces the whole list, every entry unselected; a highlight that still names an entry
    // stays. False when the copy cannot be had (nothing changes then).
    bool assign(const List& list)
    {
        List copy;
        std::vector<bool> selected;
        const bool own = &list == &m_list;
        if (!kv::allocating([&] {
                if (!own)
                    copy = list;
                selected.assign(list.size(), false);
            }))
            return false;
        if (!own)
            m_list = std::move(copy);
        // Flags of the old list would name other entries now.
        m_selected.swap(selected);
        m_selectedCount = 0;
        if (!contains(highlightedIndex()))
            m_highlighted = -1;
        m_gridStale = true;
        return true;
    }

    // Appends one entry, unselected. False when there is no room.
    bool append(const Point& point)
    {
        // Growing the list would move an entry handed in from the list itself.
        if (!m_list.empty() && std::less_equal<const Point*>()(&m_list.front(), &point)
            && std::less_equal<const Point*>()(&point, &m_list.back())) {
            const Point copy = point;
            return append(copy);
        }
        if (!kv::allocating([&] {
                kv::reserveOneMore(m_list);
                kv::reserveOneMore(m_selected);
            }))
            return false;
        m_list.push_back(point);
        m_selected.push_back(false);
        m_gridStale = true;
        return true;
    }

    // Appends the entries of `points`, unselected (a list appended to itself adds its old
    // contents once). Returns the index of the first new entry; -1 when nothing was added.
    int append(const List& points)
    {
        const List added = points;
        const size_t first = m_list.size();
        if (added.empty() || !kv::allocating([&] {
                m_list.reserve(first + added.size());
                m_selected.reserve(first + added.size());
            }))
            return -1;
        for (const Point& point : added) {
            m_list.push_back(point);
            m_selected.push_back(false);
        }
        m_gridStale = true;
        return int(first);
    }

    // Repaints the entries from `first` on, one by one or, when they are many, everything.
    template<typename Repaint, typename RepaintAll>
    void repaintFrom(int first, Repaint repaint, RepaintAll repaintAll) const
    {
        if (int(m_list.size()) - first > kSeparateRepaints) {
            repaintAll();
            return;
        }
        for (int i = first; i < int(m_list.size()); ++i)
            repaint(i);
    }

    // Moves entry nr to `point` unless it is there already, repainting it where it was and
    // where it is now. False when nothing changed.
    template<typename Repaint>
    bool replace(int nr, Point point, Repaint repaint)
    {
        if (!contains(nr) || kvFuzzyEqual(m_list[size_t(nr)], point))
            return false;
        repaint(nr);
        m_list[size_t(nr)] = std::move(point);
        m_gridStale = true;
        repaint(nr);
        return true;
    }

    // What becomes of an index held into the list (a highlight, a drag) when entry `removed`
    // goes: it is dropped when it named that entry, and follows a later entry if this list
    // renumbers.
    void adjustAfterRemoval(int& held, int removed) const
    {
        if (held == removed)
            held = -1;
        else if (m_afterRemoval == KVHighlightAfterRemoval::FollowsEntry && held > removed)
            --held;
    }

    // Removes entry nr, which must exist, with its flag.
    void erase(int nr)
    {
        m_list.erase(m_list.begin() + nr);
        if (m_selected[size_t(nr)])
            --m_selectedCount;
        m_selected.erase(m_selected.begin() + nr);
        if (highlightedIndex() == nr)
            m_highlighted = -1;
        else
            adjustAfterRemoval(m_highlighted, nr);
        m_gridStale = true;
    }

    // Removes the selected entries, repainting each before it goes. False when none was
    // selected.
    template<typename Repaint>
    bool eraseSelected(Repaint repaint)
    {
        if (m_selectedCount == 0)
            return false;
        const int highlighted = highlightedIndex();
        const bool follow = m_afterRemoval == KVHighlightAfterRemoval::FollowsEntry;
        size_t kept = 0;
        for (size_t i = 0; i < m_list.size(); ++i) {
            if (m_selected[i]) {
                repaint(int(i));
                if (highlighted == int(i))
                    m_highlighted = -1;
                --m_selectedCount;
                continue;
            }
            if (follow && highlighted == int(i))
                m_highlighted = int(kept);
            if (kept != i)
                m_list[kept] = std::move(m_list[i]);
            m_selected[kept] = false;
            ++kept;
        }
        m_list.resize(kept);
        m_selected.resize(kept);
        m_gridStale = true;
        return true;
    }

    void clear()
    {
        m_list.clear();
        m_selected.clear();
        m_selectedCount = 0;
        m_highlighted = -1;
        m_gridStale = true;
    }

    // Sets the flag of entry nr. With `exclusive`, deselect(i) is called first for the other
    // selected entries; it may change the list (its signal reaches other code), so the bounds
    // are checked every time. False when there is nothing more to do: nr out of range (before
    // or after), or the flag already so and not exclusive. The caller repaints and signals.
    template<typename Deselect>
    bool select(int nr, bool on, bool exclusive, Deselect deselect)
    {
        if (!contains(nr))
            return false;
        if (m_selected[size_t(nr)] == on && !exclusive)
            return false;
        if (exclusive) {
            for (int i = 0;
                 i < int(m_selected.size()) && m_selectedCount > (isSelected(nr) ? 1 : 0); ++i) {
                if (i != nr)
                    deselect(i);
            }
            if (!contains(nr))
                return false;
        }
        if (m_selected[size_t(nr)] != on)
            m_selectedCount += on ? 1 : -1;
        m_selected[size_t(nr)] = on;
        return true;
    }

    // Sets every flag, repainting the changed entries one by one or, when many changed,
    // everything. False when every flag was `on` already.
    template<typename Repaint, typename RepaintAll>
    bool selectAll(bool on, Repaint repaint, RepaintAll repaintAll)
    {
        const int count = int(m_selected.size());
        if (allFlagsAre(on))
            return false;
        const bool separately = std::abs(m_selectedCount - (on ? count : 0)) <= kSeparateRepaints;
        for (int i = 0; i < count; ++i) {
            if (m_selected[size_t(i)] == on)
                continue;
            m_selected[size_t(i)] = on;
            if (separately)
                repaint(i);
        }
        if (!separately)
            repaintAll();
        m_selectedCount = on ? count : 0;
        return true;
    }

    // Moves the highlight to nr (-1: none), repainting the entry it leaves and the one it
    // reaches. False when nr is out of range or highlighted already.
    template<typename Repaint>
    bool highlight(int nr, Repaint repaint)
    {
        if (nr == m_highlighted || nr < -1 || nr > int(m_list.size()) - 1)
            return false;
        repaint(highlightedIndex());
        m_highlighted = nr;
        repaint(nr);
        return true;
    }

private:
    List m_list;
    std::vector<bool> m_selected;
    int m_selectedCount = 0;
    int m_highlighted = -1;
    mutable bool m_gridStale = true;
    KVHighlightAfterRemoval m_afterRemoval;
};
