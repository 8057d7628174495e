// Exit codes and the messages the tool writes to its streams.
#pragma once

#include <string>

#include "failure/failure.h"

namespace k7q {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Writes "62500cfg: " and the text to stderr; multi-line texts stay as they are.
void PrintError(const std::string& text);

// Writes each failure to stderr as PrintError does, its detail in brackets after it.
void PrintFailures(const Failures& failures);

}  // namespace k7q
