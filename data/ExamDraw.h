#pragma once

#include <array>
#include <optional>
#include <random>
#include <vector>

#include <QString>

// How an exam's questions are drawn from the pool: the ticked categories fill consecutive blocks
// of slots in index order, the slots left over are filled from the last category that has
// questions, and "All Categories" draws every slot from the whole pool.
namespace ExamDraw {
constexpr int kAllCategories = 6;
using Ticked = std::array<bool, 7>; // the six categories, then "All Categories"

struct CategoryStock {
    int count = 0; // 0: the category has no questions
};
using Stock = std::array<CategoryStock, 6>;

struct Shortage {
    int category = -1; // index of the category that runs short, -1 for the whole pool
    int has = 0;
    int needs = 0;
};

int tickedCount(const Ticked &ticked);
int perCategory(int n, const Ticked &ticked);
int remainder(int n, const Ticked &ticked);

// Whether the draw can fill every slot with a distinct question; the first shortage otherwise.
std::optional<Shortage> findShortage(int n, const Ticked &ticked, const Stock &stock, int poolSize);

// The slots 1..n (index 0..n-1) in order, each the QID drawn for it (0 marks a slot that could
// not be filled), drawn from lists of the questions a draw may take (the drawable pool, or a
// candidate's mistakes): each category draws from its own list, "All Categories" from all the
// lists together.
using Lists = std::array<std::vector<int>, 6>;
Stock stockOf(const Lists &lists);
int poolSizeOf(const Lists &lists);
std::vector<int> drawFromLists(int n, const Ticked &ticked, const Lists &lists, std::mt19937 &rng);

std::mt19937 seededFromClock();
} // namespace ExamDraw
