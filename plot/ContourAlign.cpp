#include "ContourAlign.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {
constexpr float kUnreached = std::numeric_limits<float>::infinity();
// Where each cell was reached from.
enum From : std::uint8_t { Diagonal, FromModel, FromLearner };

// The allowed model frames of each learner row, and the row's cells.
struct Band {
    int low = 0;
    int high = -1;  // inclusive
    std::size_t offset = 0;
    bool holds(int i) const { return i >= low && i <= high; }
};

std::vector<Band> bandRows(int n, int m, int band)
{
    std::vector<Band> rows(static_cast<std::size_t>(m));
    std::size_t offset = 0;
    for (int j = 0; j < m; ++j) {
        const double centre = m > 1 ? double(j) * (n - 1) / (m - 1) : 0.0;
        Band& row = rows[std::size_t(j)];
        row.low = std::max(0, int(std::floor(centre)) - band);
        row.high = std::min(n - 1, int(std::ceil(centre)) + band);
        row.offset = offset;
        offset += std::size_t(row.high - row.low + 1);
    }
    return rows;
}
}  // namespace

float frameDistance(const ContourFrame& model, const ContourFrame& learner)
{
    float pitch = 0;
    if (model.voiced() && learner.voiced())
        pitch = std::min(std::fabs(model.semitones - learner.semitones), kPitchCap) / kPitchCap;
    else if (model.voiced() != learner.voiced())
        pitch = 0.5f;
    return pitch + std::fabs(model.energy - learner.energy);
}

std::vector<AlignStep> alignContours(const std::vector<ContourFrame>& model,
                                     const std::vector<ContourFrame>& learner, int band)
{
    const int n = int(model.size());
    const int m = int(learner.size());
    if (n == 0 || m == 0)
        return {};
    // A band narrower than the diagonal's slope would leave gaps between rows no step crosses.
    const int slope = m > 1 ? int(std::ceil(double(n - 1) / (m - 1))) : n;
    const std::vector<Band> rows = bandRows(n, m, std::max({band, slope + 1, 1}));
    const std::size_t cells =
        rows.back().offset + std::size_t(rows.back().high - rows.back().low + 1);
    std::vector<float> cost(cells, kUnreached);
    std::vector<std::uint8_t> from(cells, Diagonal);
    const auto at = [&rows](int i, int j) -> std::size_t {
        const Band& row = rows[std::size_t(j)];
        return row.offset + std::size_t(i - row.low);
    };
    const auto costOf = [&](int i, int j) {
        if (i < 0 || j < 0 || !rows[std::size_t(j)].holds(i))
            return kUnreached;
        return cost[at(i, j)];
    };

    for (int j = 0; j < m; ++j) {
        const Band& row = rows[std::size_t(j)];
        for (int i = row.low; i <= row.high; ++i) {
            const float local = frameDistance(model[std::size_t(i)], learner[std::size_t(j)]);
            const std::size_t cell = at(i, j);
            if (i == 0 && j == 0) {
                cost[cell] = local;
                continue;
            }
            // Ties go to the diagonal, so equal sequences align frame by frame.
            float best = costOf(i - 1, j - 1);
            std::uint8_t way = Diagonal;
            if (const float c = costOf(i - 1, j); c < best) {
                best = c;
                way = FromModel;
            }
            if (const float c = costOf(i, j - 1); c < best) {
                best = c;
                way = FromLearner;
            }
            cost[cell] = best + local;
            from[cell] = way;
        }
    }

    std::vector<AlignStep> path;
    int i = n - 1;
    int j = m - 1;
    for (;;) {
        path.push_back({i, j});
        if (i == 0 && j == 0)
            break;
        switch (from[at(i, j)]) {
        case Diagonal:
            --i;
            --j;
            break;
        case FromModel:
            --i;
            break;
        default:
            --j;
            break;
        }
    }
    std::reverse(path.begin(), path.end());
    return path;
}
