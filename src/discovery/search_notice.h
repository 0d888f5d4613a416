#pragma once

#include <string>

#include "discovery/search_outcome.h"

namespace tavro::discovery {

// The one line that tells the user what a search left out (replies past the full list, or a
// search cut short by its total bound), without a line break; empty when there is nothing to
// tell. Every front end shows this same text.
std::string SearchNotice(const SearchOutcome& outcome);

}  // namespace tavro::discovery
