#include "host/NameMatch.h"

#include <algorithm>
#include <cctype>

namespace qorvhost
{
std::string FoldCase(std::string_view text)
{
  std::string folded(text);
  for (char& c : folded)
    c = char(std::tolower(static_cast<unsigned char>(c)));
  return folded;
}

bool SameName(std::string_view a, std::string_view b)
{
  return a.size() == b.size() && FoldCase(a) == FoldCase(b);
}

size_t EditDistance(std::string_view a, std::string_view b)
{
  const std::string x = FoldCase(a), y = FoldCase(b);
  std::vector<size_t> row(y.size() + 1);
  for (size_t j = 0; j <= y.size(); ++j)
    row[j] = j;
  for (size_t i = 1; i <= x.size(); ++i)
  {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= y.size(); ++j)
    {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (x[i - 1] == y[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[y.size()];
}

std::vector<std::string> ClosestNames(std::string_view typed, const std::vector<std::string>& candidates)
{
  // A third of the name may be wrong, at least one character.
  const size_t limit = std::max<size_t>(1, typed.size() / 3);
  const std::string folded = FoldCase(typed);
  struct Scored
  {
    size_t score;
    size_t order;
    const std::string* name;
  };
  std::vector<Scored> close;
  for (size_t i = 0; i < candidates.size(); ++i)
  {
    const size_t d = EditDistance(typed, candidates[i]);
    if (d <= limit)
      close.push_back({d, i, &candidates[i]});
    else if (folded.size() >= 3 && FoldCase(candidates[i]).find(folded) != std::string::npos)
      close.push_back({limit + 1, i, &candidates[i]});
  }
  std::stable_sort(close.begin(), close.end(),
                   [](const Scored& a, const Scored& b) { return a.score < b.score; });
  std::vector<std::string> names;
  for (const Scored& s : close)
    if (names.size() < 3 && std::find(names.begin(), names.end(), *s.name) == names.end())
      names.push_back(*s.name);
  return names;
}

std::string DidYouMean(std::string_view typed, const std::vector<std::string>& candidates, bool quote)
{
  const std::vector<std::string> names = ClosestNames(typed, candidates);
  if (names.empty()) return "";
  const std::string q = quote ? "\"" : "";
  std::string text = " (did you mean ";
  for (size_t i = 0; i < names.size(); ++i)
    text += (i == 0 ? "" : (i + 1 == names.size() ? " or " : ", ")) + q + names[i] + q;
  return text + "?)";
}
} // namespace qorvhost
