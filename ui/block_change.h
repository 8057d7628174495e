// One undoable change of the configuration block: the whole block before and after,
// with the Registers tab's marks of hand-typed values.
#pragma once

#include <QUndoCommand>
#include <functional>

#include "chipmodel/hal_struct.h"
#include "uimodel/register_rows.h"

namespace k7q {

struct BlockState {
  HalStruct block;
  ManualChanges marks;
};

class BlockChange : public QUndoCommand {
 public:
  // load puts a block into the chip and refreshes what shows it. The change has
  // already happened, so the first redo does nothing.
  BlockChange(const BlockState& before, const BlockState& after, const QString& text,
              std::function<void(const BlockState&)> load);

  void undo() override { load_(before_); }
  void redo() override;

 private:
  BlockState before_;
  BlockState after_;
  std::function<void(const BlockState&)> load_;
  bool done_ = true;
};

bool SameBlock(const HalStruct& a, const HalStruct& b);

}  // namespace k7q
