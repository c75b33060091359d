#include "options.hpp"

#include <cstring>

namespace linetidy
{

Options parse_options(int argc, const char* const* argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-noprecspaces") == 0)
            options.enable_noprecspaces = true;
        else if (std::strcmp(argv[i], "-notabs") == 0)
            options.enable_notabs = true;
    }
    return options;
}

} // namespace linetidy
