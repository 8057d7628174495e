#include "chipmodel/product_names.h"

#include "chipmodel/chip_engine.h"

namespace k7q {

std::string ProductName(const ChipEngine& chip) {
  const ProductRecord* p = chip.CurrentProduct();
  return p ? p->name.value_or("") : "";
}

std::string ProductFullName(const ChipEngine& chip) {
  const ProductRecord* p = chip.CurrentProduct();
  return p ? p->prefix.value_or("") + p->name.value_or("") : "";
}

std::string ProductTitle(const ChipEngine& chip) {
  const ProductRecord* p = chip.CurrentProduct();
  return p ? ProductFullName(chip) + p->suffix.value_or("") : "";
}

}  // namespace k7q
