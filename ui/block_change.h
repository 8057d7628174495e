// One undoable change of the configuration block: the whole block before and after.
#pragma once

#include <QUndoCommand>
#include <functional>

#include "config/hal_struct.h"

class BlockChange : public QUndoCommand {
 public:
  // load puts a block into the chip and refreshes what shows it. The change has
  // already happened, so the first redo does nothing.
  BlockChange(const HalStruct& before, const HalStruct& after, const QString& text,
              std::function<void(const HalStruct&)> load);

  void undo() override { load_(before_); }
  void redo() override;

 private:
  HalStruct before_;
  HalStruct after_;
  std::function<void(const HalStruct&)> load_;
  bool done_ = true;
};

bool SameBlock(const HalStruct& a, const HalStruct& b);
