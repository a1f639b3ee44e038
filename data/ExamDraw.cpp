#include "data/ExamDraw.h"

#include <algorithm>
#include <chrono>

namespace {
// Draws a question of `list` that no slot holds yet; 0 when the list has none left.
int drawDistinctFrom(const std::vector<int> &list, const std::vector<int> &filled, std::mt19937 &rng)
{
    std::vector<int> free;
    for (const int qid : list) {
        if (std::find(filled.begin(), filled.end(), qid) == filled.end())
            free.push_back(qid);
    }
    if (free.empty())
        return 0;
    std::uniform_int_distribution<size_t> uniform(0, free.size() - 1);
    return free[uniform(rng)];
}
} // namespace

int ExamDraw::tickedCount(const Ticked &ticked)
{
    return int(std::count(ticked.begin(), ticked.begin() + 6, true));
}

int ExamDraw::perCategory(int n, const Ticked &ticked)
{
    const int count = tickedCount(ticked);
    return ticked[kAllCategories] || count == 0 ? 0 : n / count;
}

int ExamDraw::remainder(int n, const Ticked &ticked)
{
    const int count = tickedCount(ticked);
    return ticked[kAllCategories] || count == 0 ? 0 : n - perCategory(n, ticked) * count;
}

std::optional<ExamDraw::Shortage> ExamDraw::findShortage(int n, const Ticked &ticked, const Stock &stock, int poolSize)
{
    if (ticked[kAllCategories]) {
        if (poolSize < n)
            return Shortage{-1, poolSize, n};
        return std::nullopt;
    }
    const int per = perCategory(n, ticked);
    const int rest = remainder(n, ticked);
    int last = -1;
    int emptyBlocks = 0;
    for (int c = 0; c < 6; ++c) {
        if (!ticked[size_t(c)])
            continue;
        if (stock[size_t(c)].count == 0) {
            // Without left-over filled nothing fills an empty category's block.
            if (rest == 0)
                return Shortage{c, 0, per};
            ++emptyBlocks;
            continue;
        }
        if (stock[size_t(c)].count < per)
            return Shortage{c, stock[size_t(c)].count, per};
        last = c;
    }
    if (last < 0) {
        const int first = int(std::find(ticked.begin(), ticked.begin() + 6, true) - ticked.begin());
        return Shortage{first, 0, per};
    }
    const int needsOfLast = per + rest + per * emptyBlocks;
    if (stock[size_t(last)].count < needsOfLast)
        return Shortage{last, stock[size_t(last)].count, needsOfLast};
    return std::nullopt;
}

ExamDraw::Stock ExamDraw::stockOf(const Lists &lists)
{
    Stock stock{};
    for (size_t c = 0; c < lists.size(); ++c)
        stock[c].count = int(lists[c].size());
    return stock;
}

int ExamDraw::poolSizeOf(const Lists &lists)
{
    int size = 0;
    for (const auto &list : lists)
        size += int(list.size());
    return size;
}

std::vector<int> ExamDraw::drawFromLists(int n, const Ticked &ticked, const Lists &lists, std::mt19937 &rng)
{
    std::vector<int> filled(size_t(std::max(n, 0)), 0);
    if (ticked[kAllCategories]) {
        std::vector<int> all;
        for (const auto &list : lists)
            all.insert(all.end(), list.begin(), list.end());
        for (int &slot : filled)
            slot = drawDistinctFrom(all, filled, rng);
        return filled;
    }
    const int per = perCategory(n, ticked);
    int ordinal = 0;
    const std::vector<int> *last = nullptr;
    for (int c = 0; c < 6; ++c) {
        if (!ticked[size_t(c)])
            continue;
        ++ordinal;
        if (lists[size_t(c)].empty())
            continue;
        last = &lists[size_t(c)];
        for (int m = 1; m <= per; ++m)
            filled[size_t(per * (ordinal - 1) + m - 1)] = drawDistinctFrom(*last, filled, rng);
    }
    // The left-over slots come from the last category that had questions.
    if (remainder(n, ticked) >= 1 && last) {
        for (int &slot : filled) {
            if (slot == 0)
                slot = drawDistinctFrom(*last, filled, rng);
        }
    }
    return filled;
}

std::mt19937 ExamDraw::seededFromClock()
{
    return std::mt19937(
        static_cast<std::mt19937::result_type>(std::chrono::high_resolution_clock::now().time_since_epoch().count()));
}
