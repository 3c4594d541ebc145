// The cheapest assignment of crates to their own targets, the lower bound of the push
// search: each crate needs its own target, and at least its push distance to reach it.
//
// The Hungarian method with potentials: rows are the crates, columns the targets (at least
// as many). After one full solve for a position, the bound of a position one push away,
// where one row's costs changed, comes from a single augmenting search from that row when
// there are as many targets as crates, and from a full solve otherwise.
#pragma once

#include <cstdint>
#include <vector>

namespace prismcrate::solver::push {

class Matching {
  public:
    // A cost at or above this marks a crate that cannot reach a target; a total at or above
    // it means that no assignment exists.
    static constexpr int kForbidden = 1 << 20;

    // Solves `costs` (rows * columns, row-major, rows <= columns) from scratch; keeps it for
    // rowChanged().
    int solve(const std::vector<int>& costs, int rows, int columns);

    // The cheapest total with row `row` replaced by `rowCosts` (size entries); the solved
    // matrix and its solution stay as they were.
    int rowChanged(int row, const int* rowCosts);

    // A solution kept to start from later.
    struct Saved {
        std::vector<long long> u, v;
        std::vector<int> match;
    };
    void save(Saved& saved) const {
        saved.u = u_;
        saved.v = v_;
        saved.match = match_;
    }
    // Solves `costs`, which differs from the matrix of `saved` in row `row` only, starting
    // from that solution; the result is kept for rowChanged() as after solve().
    int resume(const std::vector<int>& costs, int rows, int columns, const Saved& saved, int row);

    // The column that row `row` has in the last full solution.
    int columnOf(int row) const { return column_[static_cast<std::size_t>(row) + 1] - 1; }
    int total() const { return total_; }

  private:
    // One augmenting search that gives the free row `row` (1-based) a column. The costs of
    // row `changedRow` come from `changedCosts` instead of the matrix.
    void augment(int row, int changedRow, const int* changedCosts);
    void solveAll(int changedRow, const int* changedCosts);
    void finishSolve();
    long long cost(int row, int column, int changedRow, const int* changedCosts) const;
    int sum(int changedRow, const int* changedCosts) const;

    const std::vector<int>* costs_ = nullptr;
    int rows_ = 0;
    int columns_ = 0;
    int total_ = 0;
    // 1-based rows and columns; column 0 is the root of each augmenting search.
    std::vector<long long> u_, v_, minv_;
    std::vector<int> match_, column_, way_;  // match_: column -> row; column_: row -> column
    std::vector<std::uint8_t> used_;
    // The full solution while a changed row is tried.
    std::vector<long long> savedU_, savedV_;
    std::vector<int> savedMatch_;
};

}  // namespace prismcrate::solver::push
