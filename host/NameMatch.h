// Names a user types matched against the names on offer: without case, and the closest names offered
// when one is misspelt.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qorvhost
{
std::string FoldCase(std::string_view text);
bool SameName(std::string_view a, std::string_view b); // without case

// Edits (insert, delete, replace) between the two names, without case.
size_t EditDistance(std::string_view a, std::string_view b);

// The candidates close enough to `typed` to be what was meant, closest first, at most three: those a few
// edits away, then those that hold `typed` whole.
std::vector<std::string> ClosestNames(std::string_view typed, const std::vector<std::string>& candidates);

// " (did you mean "A" or "B"?)", or empty when nothing is close; `quote` puts the names in double quotes.
std::string DidYouMean(std::string_view typed, const std::vector<std::string>& candidates, bool quote = true);
} // namespace qorvhost
