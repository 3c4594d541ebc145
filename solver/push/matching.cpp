#include "solver/push/matching.h"

#include <algorithm>
#include <limits>

namespace prismcrate::solver::push {
namespace {
constexpr long long kInfinity = std::numeric_limits<long long>::max() / 4;
}

long long Matching::cost(int row, int column, int changedRow, const int* changedCosts) const {
    if (row == changedRow) return changedCosts[column - 1];
    return (*costs_)[static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(columns_) +
                     static_cast<std::size_t>(column - 1)];
}

void Matching::augment(int row, int changedRow, const int* changedCosts) {
    const auto m = static_cast<std::size_t>(columns_);
    int* match = match_.data();
    int* way = way_.data();
    long long* u = u_.data();
    long long* v = v_.data();
    minv_.assign(m + 1, kInfinity);
    used_.assign(m + 1, 0);
    long long* minv = minv_.data();
    std::uint8_t* used = used_.data();
    match[0] = row;
    std::size_t j0 = 0;
    do {
        used[j0] = 1;
        const int i0 = match[j0];
        const int* rowCosts =
            i0 == changedRow ? changedCosts : costs_->data() + static_cast<std::size_t>(i0 - 1) * m;
        const long long ui = u[static_cast<std::size_t>(i0)];
        long long delta = kInfinity;
        std::size_t j1 = 0;
        for (std::size_t j = 1; j <= m; ++j) {
            if (used[j]) continue;
            const long long cur = rowCosts[j - 1] - ui - v[j];
            if (cur < minv[j]) {
                minv[j] = cur;
                way[j] = static_cast<int>(j0);
            }
            if (minv[j] < delta) {
                delta = minv[j];
                j1 = j;
            }
        }
        for (std::size_t j = 0; j <= m; ++j) {
            if (used[j]) {
                u[static_cast<std::size_t>(match[j])] += delta;
                v[j] -= delta;
            } else {
                minv[j] -= delta;
            }
        }
        j0 = j1;
    } while (match[j0] != 0);
    do {
        const auto j1 = static_cast<std::size_t>(way[j0]);
        match[j0] = match[j1];
        j0 = j1;
    } while (j0 != 0);
}

int Matching::sum(int changedRow, const int* changedCosts) const {
    long long total = 0;
    for (int j = 1; j <= columns_; ++j)
        if (match_[static_cast<std::size_t>(j)] != 0)
            total += cost(match_[static_cast<std::size_t>(j)], j, changedRow, changedCosts);
    return total >= kForbidden ? kForbidden : static_cast<int>(total);
}

void Matching::solveAll(int changedRow, const int* changedCosts) {
    const auto m = static_cast<std::size_t>(columns_);
    u_.assign(static_cast<std::size_t>(rows_) + 1, 0);
    v_.assign(m + 1, 0);
    match_.assign(m + 1, 0);
    way_.assign(m + 1, 0);
    for (int row = 1; row <= rows_; ++row) augment(row, changedRow, changedCosts);
}

void Matching::finishSolve() {
    column_.assign(static_cast<std::size_t>(rows_) + 1, 0);
    for (std::size_t j = 1; j <= static_cast<std::size_t>(columns_); ++j)
        column_[static_cast<std::size_t>(match_[j])] = static_cast<int>(j);
    total_ = sum(0, nullptr);
}

int Matching::solve(const std::vector<int>& costs, int rows, int columns) {
    costs_ = &costs;
    rows_ = rows;
    columns_ = columns;
    solveAll(0, nullptr);
    finishSolve();
    return total_;
}

int Matching::resume(const std::vector<int>& costs, int rows, int columns, const Saved& saved,
                     int row) {
    if (rows < columns) return solve(costs, rows, columns);
    costs_ = &costs;
    rows_ = rows;
    columns_ = columns;
    const auto m = static_cast<std::size_t>(columns);
    u_ = saved.u;
    v_ = saved.v;
    match_ = saved.match;
    way_.assign(m + 1, 0);
    const int r = row + 1;
    long long least = kInfinity;
    const int* rowCosts = &costs[static_cast<std::size_t>(row) * m];
    for (std::size_t j = 1; j <= m; ++j) least = std::min(least, rowCosts[j - 1] - v_[j]);
    u_[static_cast<std::size_t>(r)] = least;
    for (std::size_t j = 1; j <= m; ++j)
        if (match_[j] == r) match_[j] = 0;
    augment(r, 0, nullptr);
    finishSolve();
    return total_;
}

int Matching::rowChanged(int row, const int* rowCosts) {
    const int r = row + 1;
    const auto m = static_cast<std::size_t>(columns_);
    savedU_ = u_;
    savedV_ = v_;
    savedMatch_ = match_;
    if (rows_ < columns_) {
        // With targets to spare, a column given up may keep a negative potential, which
        // the single search below does not allow for: solve afresh.
        solveAll(r, rowCosts);
        const int result = sum(r, rowCosts);
        u_.swap(savedU_);
        v_.swap(savedV_);
        match_.swap(savedMatch_);
        return result;
    }
    // The changed row keeps the duals feasible with the smallest reduced cost 0, and gives up
    // its column, which becomes the only free one.
    long long least = kInfinity;
    for (std::size_t j = 1; j <= m; ++j) {
        const long long reduced = rowCosts[j - 1] - v_[j];
        if (reduced < least) least = reduced;
    }
    u_[static_cast<std::size_t>(r)] = least;
    match_[static_cast<std::size_t>(column_[static_cast<std::size_t>(r)])] = 0;
    augment(r, r, rowCosts);
    const int result = sum(r, rowCosts);
    u_.swap(savedU_);
    v_.swap(savedV_);
    match_.swap(savedMatch_);
    return result;
}

}  // namespace prismcrate::solver::push
