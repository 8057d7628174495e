// Resolves expression identifiers as the chip's features.
#pragma once

namespace k7q {

class ChipEngine;

// Installs the resolver: a feature's numeric value, or its value text when a text is
// wanted or the feature is a text or sequence.
void InstallFeatureResolver(ChipEngine& chip);

}  // namespace k7q
