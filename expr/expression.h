// The expression language of template values, typed feature values and item
// conditions: numbers (hexadecimal by default), double-quoted texts and identifiers,
// split by a fixed operator table tried loosest first at the leftmost operator.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace k7q {

constexpr size_t kMaxExprText = 255;
// Longer expressions are refused: the splitting rescans the text at every level, so the
// work grows with the square of the length, and every level of the evaluation holds a
// shorter part of it, which bounds the stack.
constexpr size_t kMaxExprLength = 2048;

struct ExprValue {
  bool isText = false;
  uint32_t number = 0;
  std::string text;  // at most 255 characters
};

// True for a number other than 0 and for a text that is not empty.
bool Truth(const ExprValue& value);

struct ExprResult {
  bool ok = false;
  ExprValue value;
  std::string error;         // the fixed message when !ok
  unsigned errorNumber = 0;  // 1-based position of the fault, 0 on success
};

ExprResult Evaluate(std::string_view expression);

// Fills *value for an identifier (its kind is preset: text when a text is wanted)
// and returns 0, or sets *message and returns a non-zero error number.
using IdentifierResolver =
    std::function<unsigned(std::string_view token, ExprValue* value, std::string* message)>;
void SetIdentifierResolver(IdentifierResolver resolver);

}  // namespace k7q
