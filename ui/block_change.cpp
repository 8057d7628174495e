#include "ui/block_change.h"

#include <cstring>

namespace k7q {

BlockChange::BlockChange(const BlockState& before, const BlockState& after, const QString& text,
                         std::function<void(const BlockState&)> load)
    : QUndoCommand(text), before_(before), after_(after), load_(std::move(load)) {}

void BlockChange::redo() {
  if (done_) {
    done_ = false;
    return;
  }
  load_(after_);
}

bool SameBlock(const HalStruct& a, const HalStruct& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace k7q
