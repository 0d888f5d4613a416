#include "cli/usage_error.h"

#include <algorithm>

#include "cli/console/terminal_text.h"

namespace tavro::cli {
namespace {

// Insertions, deletions, substitutions and swaps of neighbours that turn one into the other.
std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

}  // namespace

std::string ClosestName(std::string_view typed, const std::vector<std::string>& known) {
    std::string closest;
    // A third of the name may be wrong, and at least one character.
    std::size_t best = std::max<std::size_t>(1, typed.size() / 3) + 1;
    for (const std::string& name : known) {
        const std::size_t distance = EditDistance(typed, name);
        if (distance < best) {
            best = distance;
            closest = name;
        }
    }
    return closest;
}

std::string UnknownNameText(std::string_view what, std::string_view typed,
                            const std::vector<std::string>& known) {
    std::string text = "unknown " + std::string(what) + " '" + TerminalText(typed) + "'";
    if (const std::string closest = ClosestName(typed, known); !closest.empty()) {
        text += "; did you mean '" + closest + "'?";
    }
    return text;
}

}  // namespace tavro::cli
