// Descriptions of features: the DESC text, the generated sentence for span parts,
// and the multi-line details block of the description pane and the quick reference.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace k7q {

class ChipEngine;

// The DESC text, the span-part sentence or empty; nothing when no feature has that keyname.
std::optional<std::string> FeatureDescription(ChipEngine& chip, std::string_view keyname);

// The text a feature shows in the Features tree: its label with markers, "  =  " and
// the value text (quoted for text features, "(empty)" when empty); no value when the
// feature is write-only. Empty when no feature has that keyname.
std::string FeatureValueSummary(ChipEngine& chip, std::string_view keyname);

// Appends the details block to out. Every line after the first starts with lineBreak
// and indent; the description is wrapped to width minus the indent length.
void FeatureDetails(ChipEngine& chip, std::string_view keyname, std::string& out,
                    std::string_view valueSummary /* empty: none */, std::string_view lineBreak,
                    std::string_view indent, size_t width);

// Splits text into pieces of at most limit characters: a longer rest is broken after
// the last blank among its first limit characters, or after limit characters when
// there is none.
std::vector<std::string> WrapText(std::string_view text, size_t limit);

}  // namespace k7q
