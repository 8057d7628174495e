// Exit codes and the messages the tool writes to its streams.
#pragma once

#include <string>
#include <vector>

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Writes "62500cfg: " and the text to stderr; multi-line texts stay as they are.
void PrintError(const std::string& text);

// Writes every message of a file operation to stderr, in order.
void PrintMessages(const std::vector<std::string>& messages);
