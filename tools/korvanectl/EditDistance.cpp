#include "EditDistance.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace Korvanectl {

size_t EditDistance::Between(std::string_view from, std::string_view to) {
    // One row of the distance table at a time: row[j] is the distance from the prefix of `from`
    // read so far to the first j characters of `to`.
    std::vector<size_t> row(to.size() + 1);
    std::iota(row.begin(), row.end(), size_t{0});
    for (size_t i = 1; i <= from.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= to.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (from[i - 1] == to[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

} // namespace Korvanectl
