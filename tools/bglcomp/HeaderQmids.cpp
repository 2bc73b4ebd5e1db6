#include "tools/bglcomp/HeaderQmids.h"

#include <algorithm>
#include <deque>

namespace Bglcomp {

namespace {

// The distinct level-9 (or coarser, if a subsection is coarser) cells that hold subsections.
std::vector<Cell> OccupiedHeaderCells(const std::vector<std::uint32_t>& subsectionQmids) {
    std::vector<std::uint32_t> qmids;
    qmids.reserve(subsectionQmids.size());
    for (const std::uint32_t qmid : subsectionQmids) {
        const Cell cell = CellOfQmid(qmid);
        qmids.push_back(Qmid(cell.level > headerLevel ? Parent(cell, headerLevel) : cell));
    }
    std::sort(qmids.begin(), qmids.end());
    qmids.erase(std::unique(qmids.begin(), qmids.end()), qmids.end());
    std::vector<Cell> cells;
    cells.reserve(qmids.size());
    for (const std::uint32_t qmid : qmids) {
        cells.push_back(CellOfQmid(qmid));
    }
    return cells;
}

bool Contains(const Cell& outer, const Cell& inner) {
    return inner.level >= outer.level && Parent(inner, outer.level) == outer;
}

// The children of a cell, one level down, that hold at least one occupied cell, in QMID order.
std::vector<Cell> OccupiedChildren(const Cell& parent, const std::vector<Cell>& occupied) {
    std::vector<std::uint32_t> qmids;
    for (const Cell& cell : occupied) {
        if (cell.level > parent.level && Contains(parent, cell)) {
            const std::uint32_t qmid = Qmid(Parent(cell, parent.level + 1));
            if (std::find(qmids.begin(), qmids.end(), qmid) == qmids.end()) {
                qmids.push_back(qmid);
                if (qmids.size() == 4) {
                    break;
                }
            }
        }
    }
    std::sort(qmids.begin(), qmids.end());
    std::vector<Cell> children;
    for (const std::uint32_t qmid : qmids) {
        children.push_back(CellOfQmid(qmid));
    }
    return children;
}

std::vector<Cell> CoverFromTheTop(const std::vector<Cell>& occupied) {
    std::vector<Cell> cover;
    std::deque<Cell> open{Cell{}};
    std::size_t total = 1;
    while (!open.empty()) {
        const Cell cell = open.front();
        open.pop_front();
        const std::vector<Cell> children =
            cell.level < headerLevel ? OccupiedChildren(cell, occupied) : std::vector<Cell>{};
        if (!children.empty() && total - 1 + children.size() <= headerQmidCount) {
            total += children.size() - 1;
            open.insert(open.end(), children.begin(), children.end());
        } else {
            cover.push_back(cell);
        }
    }
    return cover;
}

}  // namespace

std::array<std::uint32_t, headerQmidCount> HeaderQmids(const std::vector<std::uint32_t>& subsectionQmids) {
    std::array<std::uint32_t, headerQmidCount> slots{};
    if (subsectionQmids.empty()) {
        return slots;
    }
    const std::vector<Cell> occupied = OccupiedHeaderCells(subsectionQmids);
    const std::vector<Cell> cover = occupied.size() <= headerQmidCount ? occupied : CoverFromTheTop(occupied);
    std::vector<std::uint32_t> qmids;
    for (const Cell& cell : cover) {
        qmids.push_back(Qmid(cell));
    }
    std::sort(qmids.begin(), qmids.end());
    std::copy(qmids.begin(), qmids.end(), slots.begin());
    return slots;
}

}  // namespace Bglcomp
