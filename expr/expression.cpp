#include "expr/expression.h"

#include <bitset>
#include <cmath>
#include <cstring>

#include "chipmodel/number_text.h"
#include "chipmodel/text_format.h"

namespace k7q {

namespace {

IdentifierResolver& Resolver() {
  static IdentifierResolver resolver;
  return resolver;
}

// Nesting beyond this is refused rather than risking the stack.

enum Operation {
  kConditional,
  kXor,
  kOr,
  kAnd,
  kNot,
  kBitXor,
  kBitOr,
  kBitAnd,
  kNotEqual,
  kEqual,
  kGreater,
  kLess,
  kGreaterEqual,
  kLessEqual,
  kShiftRight,
  kShiftLeft,
  kRotateRight,
  kRotateLeft,
  kSubtract,
  kAdd,
  kRemainder,
  kDivide,
  kMultiply,
  kBitNot,
  kPower,
};

struct Row {
  const char* pattern;
  Operation operation;
};

const Row kRows[] = {
    {"e?e:e", kConditional}, {"e xor e", kXor},        {"e or e", kOr},
    {"e and e", kAnd},       {"not e", kNot},          {"e||e", kOr},
    {"e&&e", kAnd},          {"e^e", kBitXor},         {"e|e", kBitOr},
    {"e&e", kBitAnd},        {"e!=e", kNotEqual},      {"e==e", kEqual},
    {"e>{=>}e", kGreater},   {"e<{=<}e", kLess},       {"e>=e", kGreaterEqual},
    {"e<=e", kLessEqual},    {"e>>{>}e", kShiftRight}, {"e<<{<}e", kShiftLeft},
    {"e>>>e", kRotateRight}, {"e<<<e", kRotateLeft},   {"e-e", kSubtract},
    {"e+e", kAdd},           {"e%e", kRemainder},      {"e/e", kDivide},
    {"e*{*}e", kMultiply},   {"~e", kBitNot},          {"!e", kNot},
    {"e**e", kPower},
};

struct Operand {
  size_t start = 0, end = 0;
};

enum class Fit { kNo, kYes, kError };

struct Failure {
  unsigned number = 0;
  std::string message;
};

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text, size_t* removedFront = nullptr) {
  size_t front = 0;
  while (front < text.size() && IsBlank(text[front])) ++front;
  size_t back = text.size();
  while (back > front && IsBlank(text[back - 1])) --back;
  if (removedFront) *removedFront = front;
  return text.substr(front, back - front);
}

bool QuoteToggles(std::string_view text, size_t i) {
  return text[i] == '"' && (i == 0 || text[i - 1] != '\\');
}

// Matches operator text op at text[q]: 1 matched (end in *after), 0 not here,
// -1 a brace group forbids the character that follows (the pattern fits nowhere).
int MatchOperator(std::string_view op, std::string_view text, size_t q, size_t* after) {
  size_t k = q;
  for (size_t j = 0; j < op.size();) {
    if (op[j] == '{') {
      const size_t close = op.find('}', j);
      const std::string_view group = op.substr(j + 1, close - j - 1);
      if (k < text.size() && group.find(text[k]) != std::string_view::npos) return -1;
      j = close + 1;
      continue;
    }
    if (k >= text.size() || Lower(text[k]) != op[j]) return 0;
    ++k;
    ++j;
  }
  *after = k;
  return 1;
}

Fit LayPattern(std::string_view pattern, std::string_view text, unsigned offset, Operand* operands,
               int* count, Failure* failure) {
  size_t pos = 0, pi = 0;
  *count = 0;
  while (pi < pattern.size() && pos < text.size()) {
    bool began = false;
    if (pattern[pi] == 'e') {
      ++pi;
      operands[*count].start = pos;
      ++*count;
      began = true;
    }
    const size_t opEnd = std::min(pattern.find('e', pi), pattern.size());
    const std::string_view op = pattern.substr(pi, opEnd - pi);
    pi = opEnd;
    if (op.empty()) {
      operands[*count - 1].end = text.size();
      pos = text.size();
      continue;
    }
    bool inString = false, found = false;
    int depth = 0;
    for (size_t q = pos; q < text.size() && !found; ++q) {
      if (!inString && depth == 0) {
        size_t after = 0;
        const int match = MatchOperator(op, text, q, &after);
        if (match < 0) return Fit::kNo;
        if (match > 0) {
          if (began) {
            operands[*count - 1].end = q;
            if (q == operands[*count - 1].start) {
              failure->message = "Expected an expression here.";
              failure->number = static_cast<unsigned>(q + 1) + offset;
              return Fit::kError;
            }
          }
          pos = after;
          found = true;
          break;
        }
      }
      if (QuoteToggles(text, q)) {
        inString = !inString;
      } else if (!inString) {
        if (text[q] == '(' || text[q] == '[') ++depth;
        if (text[q] == ')' || text[q] == ']') --depth;
      }
    }
    if (!found) return Fit::kNo;
  }
  return Fit::kYes;
}

class Evaluator {
 public:
  unsigned Run(std::string_view text, ExprValue* value, std::string* message);

 private:
  unsigned Token(std::string_view text, unsigned offset, ExprValue* value, std::string* message);
  unsigned Apply(Operation op, std::string_view text, const Operand* operands, int count,
                 ExprValue* value, std::string* message);
};

void SetText(ExprValue* v, std::string text) {
  if (text.size() > kMaxExprText) text.resize(kMaxExprText);
  v->isText = true;
  v->text = std::move(text);
}

void SetNumber(ExprValue* v, uint32_t n) {
  v->isText = false;
  v->number = n;
  v->text.clear();
}

unsigned Fail(std::string* message, const char* text, unsigned number) {
  if (message) *message = text;
  return number;
}

unsigned Evaluator::Run(std::string_view text, ExprValue* value, std::string* message) {
  text = Trim(text);
  bool inString = false;
  int parens = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (QuoteToggles(text, i)) {
      inString = !inString;
    } else if (!inString) {
      parens += text[i] == '(' ? 1 : text[i] == ')' ? -1 : 0;
    }
  }
  if (parens != 0) return Fail(message, "Parenthesis mismatch.", 1);

  unsigned offset = 0;
  if (!text.empty() && text[0] == '(') {
    inString = false;
    int level = 0;
    size_t closes = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      if (QuoteToggles(text, i)) {
        inString = !inString;
      } else if (!inString) {
        level += text[i] == '(' ? 1 : text[i] == ')' ? -1 : 0;
        if (level == 0) {
          closes = i;
          break;
        }
      }
    }
    if (closes == text.size() - 1) {
      text = Trim(text.substr(1, text.size() - 2));
      offset = 1;
    }
  }

  // A row can fit only where its first operator character stands outside strings and
  // brackets; rows whose character is absent are skipped without scanning.
  std::bitset<256> atTopLevel;
  inString = false;
  int depth = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!inString && depth == 0) atTopLevel.set(static_cast<unsigned char>(Lower(text[i])));
    if (QuoteToggles(text, i)) {
      inString = !inString;
    } else if (!inString) {
      if (text[i] == '(' || text[i] == '[') ++depth;
      if (text[i] == ')' || text[i] == ']') --depth;
    }
  }

  for (const Row& row : kRows) {
    const char first = row.pattern[0] == 'e' ? row.pattern[1] : row.pattern[0];
    if (!text.empty() && !atTopLevel.test(static_cast<unsigned char>(first))) continue;
    Operand operands[3];
    int count = 0;
    Failure failure;
    const Fit fit = LayPattern(row.pattern, text, offset, operands, &count, &failure);
    if (fit == Fit::kNo) continue;
    if (fit == Fit::kError) return Fail(message, failure.message.c_str(), failure.number);
    const unsigned r = Apply(row.operation, text, operands, count, value, message);
    return r == 0 ? 0 : r + offset;
  }
  return Token(text, offset, value, message);
}

unsigned Evaluator::Token(std::string_view text, unsigned offset, ExprValue* value,
                          std::string* message) {
  size_t front = 0;
  text = Trim(text, &front);
  offset += static_cast<unsigned>(front);
  size_t dot = std::string_view::npos;
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') inString = !inString;
    if (text[i] == '.' && !inString) {
      dot = i;
      break;
    }
  }
  const std::string_view token = text.substr(0, dot);
  bool wantText = false, hasSuffix = dot != std::string_view::npos;
  unsigned radix = 0, width = 0;
  const unsigned suffixError = static_cast<unsigned>(dot + 2) + offset;
  if (hasSuffix) {
    const char kind = dot + 1 < text.size() ? text[dot + 1] : '\0';
    if (kind == 'S' || kind == 's') {
      wantText = true;
    } else if (kind != 'N' && kind != 'n') {
      return Fail(message, "Unknown format specifier.", suffixError);
    }
    size_t i = dot + 2;
    if (i < text.size() && RadixOfSuffix(text[i]) != 0) radix = RadixOfSuffix(text[i++]);
    // No value is longer than 255 characters, so neither is any padding.
    width = std::min<uint32_t>(ReadNumber(text.substr(std::min(i, text.size())), 10), kMaxExprText);
  }

  if (!token.empty() && token[0] == '"') {
    if (token.size() < 2 || token.back() != '"') {
      return Fail(message, "Invalid string value.", offset + 1);
    }
    SetText(value, std::string(token.substr(1, token.size() - 2)));
  } else if (unsigned tokenRadix; RecogniseNumber(token, 16, &tokenRadix)) {
    SetNumber(value, ReadNumber(token, tokenRadix));
  } else if ((!token.empty() && token[0] == '$') || !Resolver()) {
    return Fail(message, "Unknown token or expression.", offset + 1);
  } else {
    *value = ExprValue{};
    value->isText = wantText && radix == 0;
    std::string resolverMessage;
    const unsigned r = Resolver()(token, value, &resolverMessage);
    if (r != 0) return Fail(message, resolverMessage.c_str(), r + offset);
    if (value->isText && value->text.size() > kMaxExprText) value->text.resize(kMaxExprText);
  }

  if (!hasSuffix) return 0;
  if (radix == 0) radix = 16;
  if (!wantText && !value->isText) {
    return Fail(message, "Cannot convert a numerical value to a numerical value.", suffixError);
  }
  if (wantText && !value->isText) {
    SetText(value, FormatNumber(value->number, radix, width));
  } else if (wantText) {
    if (width != 0) {
      std::string text = value->text;
      text.resize(width, ' ');
      SetText(value, text);
    }
  } else {
    const std::string_view digits =
        std::string_view(value->text).substr(0, width ? width : std::string::npos);
    SetNumber(value, ReadNumber(digits, radix));
  }
  return 0;
}

uint32_t Rotate(uint32_t v, uint32_t n, bool right) {
  n %= 32;
  if (n == 0) return v;
  return right ? (v >> n) | (v << (32 - n)) : (v << n) | (v >> (32 - n));
}

std::string RotateText(const std::string& t, uint32_t n, bool right) {
  if (t.empty()) return t;
  const size_t k = n % t.size();
  if (k == 0) return t;
  return right ? t.substr(t.size() - k) + t.substr(0, t.size() - k) : t.substr(k) + t.substr(0, k);
}

bool TextsEqual(const std::string& a, const std::string& b) {
  return EqualsIgnoreCase(a, b);
}

unsigned Evaluator::Apply(Operation op, std::string_view text, const Operand* operands, int count,
                          ExprValue* value, std::string* message) {
  const int needed = op == kConditional ? 3 : (op == kNot || op == kBitNot) ? 1 : 2;
  if (count < needed) return Fail(message, "Missing an expression after the operator.", 1);
  // Unary rows have their operand last.
  const Operand* first = operands + (count - needed);
  auto eval = [&](int i, ExprValue* out) -> unsigned {
    const Operand& o = first[i];
    const unsigned r = Run(text.substr(o.start, o.end - o.start), out, message);
    return r == 0 ? 0 : static_cast<unsigned>(o.start) + r;
  };

  ExprValue l, r;
  if (unsigned e = eval(0, &l)) return e;
  switch (op) {
    case kConditional:
      return eval(Truth(l) ? 1 : 2, value);
    case kOr:
      if (Truth(l)) return SetNumber(value, 1), 0;
      if (unsigned e = eval(1, &r)) return e;
      return SetNumber(value, Truth(r)), 0;
    case kAnd:
      if (!Truth(l)) return SetNumber(value, 0), 0;
      if (unsigned e = eval(1, &r)) return e;
      return SetNumber(value, Truth(r)), 0;
    case kNot:
      return SetNumber(value, !Truth(l)), 0;
    case kBitNot:
      if (l.isText) return Fail(message, "Unexpected string value.", 1);
      return SetNumber(value, ~l.number), 0;
    default:
      break;
  }
  if (unsigned e = eval(1, &r)) return e;
  const uint32_t a = l.number, b = r.number;
  switch (op) {
    case kXor:
      return SetNumber(value, Truth(l) != Truth(r)), 0;
    case kBitXor:
    case kBitOr:
    case kBitAnd:
    case kGreater:
    case kLess:
    case kGreaterEqual:
    case kLessEqual:
    case kPower: {
      if (l.isText || r.isText) return Fail(message, "Unexpected string value.", l.isText ? 1 : 2);
      uint32_t n = 0;
      if (op == kBitXor) n = a ^ b;
      if (op == kBitOr) n = a | b;
      if (op == kBitAnd) n = a & b;
      if (op == kGreater) n = a > b;
      if (op == kLess) n = a < b;
      if (op == kGreaterEqual) n = a >= b;
      if (op == kLessEqual) n = a <= b;
      if (op == kPower) {
        // Truncated to a signed 64-bit integer as the processor converts it; the
        // out-of-range result keeps no low bits.
        const double p = std::trunc(std::pow(static_cast<double>(a), static_cast<double>(b)));
        n = p >= 9223372036854775808.0 ? 0 : static_cast<uint32_t>(static_cast<int64_t>(p));
      }
      return SetNumber(value, n), 0;
    }
    case kNotEqual:
    case kEqual: {
      if (l.isText != r.isText) {
        return Fail(message, "Cannot mix numerical and string values here.", 3);
      }
      const bool same = l.isText ? TextsEqual(l.text, r.text) : a == b;
      return SetNumber(value, op == kEqual ? same : !same), 0;
    }
    case kShiftRight:
    case kShiftLeft:
    case kRotateRight:
    case kRotateLeft:
      if (r.isText) return Fail(message, "Unexpected string value.", 2);
      if (l.isText) {
        const std::string& t = l.text;
        if (op == kShiftRight) SetText(value, b >= t.size() ? "" : t.substr(0, t.size() - b));
        if (op == kShiftLeft) SetText(value, b >= t.size() ? "" : t.substr(b));
        if (op == kRotateRight || op == kRotateLeft) {
          SetText(value, RotateText(t, b, op == kRotateRight));
        }
        return 0;
      }
      if (op == kShiftRight) SetNumber(value, a >> (b % 32));
      if (op == kShiftLeft) SetNumber(value, b >= 32 ? 0 : a << b);
      if (op == kRotateRight || op == kRotateLeft)
        SetNumber(value, Rotate(a, b, op == kRotateRight));
      return 0;
    case kSubtract:
      if (!l.isText) {
        if (r.isText) return Fail(message, "Unexpected string value.", 2);
        return SetNumber(value, a - b), 0;
      }
      if (r.isText) {
        std::string t = l.text;
        const size_t at = r.text.empty() ? std::string::npos : t.find(r.text);
        if (at != std::string::npos) t.erase(at, r.text.size());
        return SetText(value, t), 0;
      }
      return SetText(value, b >= l.text.size() ? "" : l.text.substr(0, l.text.size() - b)), 0;
    case kAdd:
      if (l.isText != r.isText) {
        return Fail(message, "Cannot mix numerical and string values here.", 2);
      }
      if (l.isText) return SetText(value, l.text + r.text), 0;
      return SetNumber(value, a + b), 0;
    case kRemainder:
      if (l.isText || r.isText) return Fail(message, "Modulus not supported for strings.", 1);
      if (b == 0) return Fail(message, "Cannot divide by zero.", 2);
      return SetNumber(value, a % b), 0;
    case kDivide:
      if (l.isText || r.isText) return Fail(message, "Division not supported for strings.", 1);
      if (b == 0) return Fail(message, "Cannot divide by zero.", 2);
      return SetNumber(value, a / b), 0;
    case kMultiply:
      if (r.isText) return Fail(message, "Expected a numerical value here.", 2);
      if (l.isText) {
        // Repeats stop once the text is full; an empty text stays empty at once.
        std::string t;
        for (uint32_t i = 0; i < b && !l.text.empty() && t.size() < kMaxExprText; ++i) {
          t += l.text;
        }
        return SetText(value, t), 0;
      }
      return SetNumber(value, a * b), 0;
    default:
      return 0;
  }
}

}  // namespace

bool Truth(const ExprValue& value) {
  return value.isText ? !value.text.empty() : value.number != 0;
}

void SetIdentifierResolver(IdentifierResolver resolver) {
  Resolver() = std::move(resolver);
}

ExprResult Evaluate(std::string_view expression) {
  ExprResult result;
  if (Trim(expression).size() > kMaxExprLength) {
    result.error = "Expression is too long.";
    result.errorNumber = static_cast<unsigned>(kMaxExprLength + 1);
    return result;
  }
  Evaluator evaluator;
  result.errorNumber = evaluator.Run(expression, &result.value, &result.error);
  result.ok = result.errorNumber == 0;
  if (result.ok) result.error.clear();
  return result;
}

}  // namespace k7q
