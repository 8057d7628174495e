#include "chipmodel/sequence_text.h"

#include <utility>

#include "chipmodel/number_text.h"

namespace k7q {

namespace {

constexpr size_t kMaxLabel = 255;

uint32_t KindOf(char letter) {
  if (letter == 'c') return kSequenceCommand;
  if (letter == 'p') return kSequenceParameter;
  if (letter == 'd') return kSequenceDelay;
  return 0;
}

}  // namespace

std::string SequenceItemText(const SequenceItem& item) {
  std::string text = item.kind == kSequenceDelay ? "d" + FormatNumber(item.value, 10, 0)
                                                 : (item.kind == kSequenceCommand ? "c" : "p") +
                                                       FormatNumber(item.value, 16, 0);
  if (!item.label.empty()) text += "(" + item.label + ")";
  return text;
}

std::string SequenceText(const std::vector<SequenceItem>& items) {
  std::string text;
  for (const SequenceItem& item : items) {
    if (!text.empty()) text += "  ";
    text += SequenceItemText(item);
  }
  return text;
}

std::vector<SequenceItem> ReadSequenceText(std::string_view text) {
  std::vector<SequenceItem> items;
  size_t i = 0;
  while (i < text.size()) {
    SequenceItem item;
    item.kind = KindOf(text[i]);
    if (item.kind == 0) {
      while (i < text.size() && text[i] != ';') ++i;
      if (i < text.size()) ++i;
      continue;
    }
    ++i;
    const size_t numberStart = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '(' && text[i] != ';') ++i;
    item.value = ReadNumber(text.substr(numberStart, i - numberStart),
                            item.kind == kSequenceDelay ? 10 : 16);
    if (i < text.size() && text[i] == '(') {
      ++i;
      while (i < text.size() && text[i] != ')' && text[i] != ';') {
        if (item.label.size() < kMaxLabel) item.label += text[i];
        ++i;
      }
      if (i < text.size() && text[i] == ')') ++i;
    }
    while (i < text.size() && text[i] == ' ') ++i;
    if (i < text.size() && text[i] == ';') ++i;
    items.push_back(std::move(item));
  }
  return items;
}

}  // namespace k7q
