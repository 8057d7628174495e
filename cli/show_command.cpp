#include <cstdio>

#include "cli/chip_source.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/config_listing.h"

namespace k7q {

int RunShow(const ShowOptions& options) {
  Chip62500& chip = TheChip();
  if (!LoadSource(chip, options.file)) return kExitFailed;
  const ConfigListing listing = ListConfiguration(chip);
  const std::string out =
      options.json
          ? ListingJson(listing).dump(2, ' ', false, nlohmann::json::error_handler_t::replace) +
                "\n"
          : ListingText(listing);
  std::fputs(out.c_str(), stdout);
  return kExitOk;
}

}  // namespace k7q
