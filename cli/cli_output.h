// Exit codes and the messages the tool writes to its streams.
#pragma once

#include <string>
#include <vector>

namespace k7q {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Writes "62500cfg: " and the text to stderr; multi-line texts stay as they are.
void PrintError(const std::string& text);

// Writes every message of a file operation to stderr, in order.
void PrintMessages(const std::vector<std::string>& messages);

struct FileOutcome;

// Writes a file operation's notices and messages to stderr; the reader's error texts get
// the system's reason and the path where they do not say why.
void PrintFileOutcome(const FileOutcome& outcome);

}  // namespace k7q
