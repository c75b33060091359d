// The command line of linetidy.
#pragma once

#include "tidy_filter.hpp"

namespace linetidy
{

// Each argument after the program name that equals "-noprecspaces" or
// "-notabs" exactly switches that option on; every other argument is ignored
// without a message, so options may come in any order and more than once.
Options parse_options(int argc, const char* const* argv);

} // namespace linetidy
