// Reads a UI feature file and the external template files its items name into a tree.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "uifeatures/ui_feature_tree.h"

namespace k7q {

class ChipEngine;

// Appends the document's items that apply to the chip's product to topLevel, each item
// that names a file followed by that file's items (its FILEVER must match the file's
// VERSION, else the item is disabled).
void LoadUiFeatureTree(ChipEngine& chip, std::string_view documentText,
                       std::vector<std::unique_ptr<UiNode>>& topLevel);

}  // namespace k7q
