#include "config/configure_multiple.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <map>
#include <system_error>
#include <thread>
#include <utility>

#include "chipmodel/text_format.h"
#include "config/storage_limits.h"
#include "formats/file_kinds.h"
#include "storage/descriptor_room.h"
#include "storage/file_system.h"

namespace k7q {

namespace {

constexpr size_t kSummaryRoom = 4095;
constexpr char kStoppedReason[] = "not configured: the pass was stopped";

// Descriptors left free beside a group's files: a journal, a second descriptor of a file
// with an interrupted save, the folders flushed, for each of the two preparing threads.
constexpr size_t kSpareDescriptors = 16;

// For each target, the first target that names the same file (itself when none does):
// a file is configured once, whatever names it is given under.
std::vector<size_t> FirstNames(const std::vector<std::string>& targets) {
  std::map<std::pair<dev_t, ino_t>, size_t> seen;
  std::vector<size_t> first(targets.size());
  for (size_t i = 0; i < targets.size(); ++i) {
    struct stat info;
    first[i] = i;
    if (stat(targets[i].c_str(), &info) != 0) continue;
    first[i] = seen.emplace(std::make_pair(info.st_dev, info.st_ino), i).first->second;
  }
  return first;
}

// The outcome of a second name of a file: the first name's, and a note saying so.
FileOutcome SecondName(const std::string& target, const std::string& first,
                       const FileOutcome& firstOutcome) {
  FileOutcome outcome;
  outcome.ok = firstOutcome.ok;
  outcome.reason = firstOutcome.reason;
  outcome.notices.push_back(StringPrintf(
      "\"%s\" is the same file as \"%s\"; it was configured once.", target.c_str(), first.c_str()));
  return outcome;
}

// Flushes the file system of every save still under way, once for each file system;
// the saves of a file system whose flush fails get its errno.
void FlushEach(std::vector<PreparedSave*>& saves) {
  std::vector<std::pair<dev_t, int>> flushed;  // device, errno of its flush
  for (PreparedSave* prepared : saves) {
    const dev_t device = prepared->file.info.st_dev;
    auto it = std::find_if(flushed.begin(), flushed.end(),
                           [&](const auto& done) { return done.first == device; });
    if (it == flushed.end()) {
      errno = 0;
      const int error = FileSystem().syncfs(prepared->save.fd) == 0 ? 0 : errno ? errno : EIO;
      it = flushed.insert(flushed.end(), {device, error});
    }
    if (it->second != 0 && prepared->save.error == 0) prepared->save.error = it->second;
  }
}

// Drops the saves that failed since the last step, undoing what they wrote.
void DropFailed(std::vector<PreparedSave*>& saves) {
  for (PreparedSave* prepared : saves) {
    if (prepared->save.error == 0) continue;
    const int error = prepared->save.error;
    prepared->save.deferFlush = false;  // an undo is flushed at once
    UndoChanges(prepared->save);
    FinishImageSave(*prepared, error);
  }
  saves.erase(std::remove_if(saves.begin(), saves.end(),
                             [](const PreparedSave* p) { return p->save.error != 0; }),
              saves.end());
}

// A group commit of the prepared saves: every journal, one flush; every change, one
// flush; every journal removed. A file whose step fails is put back on its own.
void CommitGroup(std::vector<PreparedSave>& group) {
  std::vector<PreparedSave*> saves;
  std::vector<InPlaceSave*> journals;
  for (PreparedSave& prepared : group) {
    if (!prepared.outcome.ok || prepared.file.fd.get() < 0) continue;  // done already
    if (prepared.save.changes.empty()) {
      FinishImageSave(prepared, 0);
      continue;
    }
    prepared.save.deferFlush = true;
    saves.push_back(&prepared);
    journals.push_back(&prepared.save);
  }
  WriteJournals(journals);
  DropFailed(saves);
  FlushEach(saves);
  DropFailed(saves);
  for (PreparedSave* prepared : saves) ApplyChanges(prepared->save);
  DropFailed(saves);
  FlushEach(saves);
  DropFailed(saves);
  for (PreparedSave* prepared : saves) RemoveJournal(prepared->save);
  DropFailed(saves);
  for (PreparedSave* prepared : saves) FinishImageSave(*prepared, 0);
}

// Prepares the images' saves two at a time: a helper thread and this one each take the
// next image in turn. Only this thread reports how many are finished and asks whether
// to stop; an image not prepared when the pass stops is not configured.
void PrepareImages(Chip62500& chip, const std::vector<PreparedSave*>& images,
                   bool preserveAddresses, const std::function<void(size_t)>& finishedSoFar,
                   const std::function<bool()>& stop) {
  std::atomic<size_t> next{0}, finished{0};
  std::atomic<bool> stopped{false};
  auto prepareNext = [&] {
    const size_t k = next++;
    if (k >= images.size()) return false;
    if (stopped) {
      images[k]->outcome = RefusedSave(images[k]->name, kStoppedReason);
    } else {
      *images[k] = PrepareImageSave(chip, images[k]->name, preserveAddresses);
    }
    ++finished;
    return true;
  };
  if (stop && stop()) stopped = true;
  std::thread helper;
  try {
    if (images.size() > 1)
      helper = std::thread([&] {
        while (prepareNext()) {
        }
      });
  } catch (const std::system_error&) {  // no thread to be had: this one does them all
  }
  for (;;) {
    if (stop && stop()) stopped = true;
    if (!prepareNext()) break;
    finishedSoFar(finished);
  }
  if (helper.joinable()) helper.join();
  finishedSoFar(finished);
}

}  // namespace

ConfigureOutcome ConfigureMultiple(Chip62500& chip, const std::vector<std::string>& targets,
                                   bool preserveAddresses,
                                   const std::function<void(const FileOutcome&)>& afterEach,
                                   const std::function<void(size_t, size_t)>& progress,
                                   const std::function<bool()>& stop) {
  ConfigureOutcome outcome;
  outcome.summary = "Summary of configured files:\n\n";
  auto record = [&](const std::string& target, FileOutcome file) {
    if (!file.ok) file.reason = FailureReason(file);
    outcome.allOk = outcome.allOk && file.ok;
    outcome.summary += (file.ok ? "OK\t" : "Error\t") + target + "\n";
    if (afterEach) afterEach(file);
    outcome.files.push_back(std::move(file));
  };
  const size_t groupSize = FreeDescriptors(kSpareDescriptors);
  const std::vector<size_t> firstNames = FirstNames(targets);
  for (size_t first = 0; first < targets.size(); first += groupSize) {
    const size_t end = std::min(targets.size(), first + groupSize);
    // Outcomes known before the commit wait for it, so that they stay in target order.
    std::vector<PreparedSave> group(end - first);
    std::vector<PreparedSave*> images;
    size_t done = first;
    for (size_t i = first; i < end; ++i) {
      const std::string& target = targets[i];
      PreparedSave& prepared = group[i - first];
      prepared.name = target;
      if (firstNames[i] != i) {  // its outcome is the first name's, recorded below
        if (progress) progress(++done, targets.size());
        continue;
      }
      // Each target keeps its own description; only what it cannot hold is refused.
      const std::string refusal = StorageRefusal(chip, target, false);
      if (!refusal.empty()) {
        prepared.outcome = RefusedSave(target, refusal);
      } else if (IsRecordTextFile(target)) {
        prepared.outcome = stop && stop()
                               ? RefusedSave(target, kStoppedReason)
                               : SaveConfigurableFile(chip, target, "", preserveAddresses);
      } else {
        images.push_back(&prepared);
        continue;
      }
      if (progress) progress(++done, targets.size());
    }
    PrepareImages(
        chip, images, preserveAddresses,
        [&](size_t finished) {
          if (progress) progress(done + finished, targets.size());
        },
        stop);
    CommitGroup(group);
    for (size_t i = first; i < end; ++i) {
      PreparedSave& prepared = group[i - first];
      const size_t firstName = firstNames[i];
      record(targets[i],
             firstName == i ? std::move(prepared.outcome)
                            : SecondName(targets[i], targets[firstName], outcome.files[firstName]));
      prepared.file = LockedFile();  // unlocked and closed as soon as done
    }
  }
  if (outcome.summary.size() > kSummaryRoom) outcome.summary.resize(kSummaryRoom);
  return outcome;
}

bool NaturalLess(std::string_view a, std::string_view b) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (digit(a[i]) && digit(b[j])) {
      // Whole runs of digits compare by value: leading zeros first dropped, then the
      // longer run is the larger number.
      size_t endA = i, endB = j;
      while (endA < a.size() && digit(a[endA])) ++endA;
      while (endB < b.size() && digit(b[endB])) ++endB;
      std::string_view runA = a.substr(i, endA - i), runB = b.substr(j, endB - j);
      while (runA.size() > 1 && runA[0] == '0') runA.remove_prefix(1);
      while (runB.size() > 1 && runB[0] == '0') runB.remove_prefix(1);
      if (runA.size() != runB.size()) return runA.size() < runB.size();
      if (runA != runB) return runA < runB;
      i = endA;
      j = endB;
      continue;
    }
    const int ca = std::tolower(static_cast<unsigned char>(a[i]));
    const int cb = std::tolower(static_cast<unsigned char>(b[j]));
    if (ca != cb) return ca < cb;
    ++i;
    ++j;
  }
  if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
  return a < b;  // equal but for case or leading zeros: a fixed order all the same
}

std::vector<std::string> BrowserEntries(const std::string& folder, bool allFiles) {
  std::vector<std::string> folders, files;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return {};
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat info;
    if (stat((folder + "/" + name).c_str(), &info) != 0) continue;
    if (S_ISDIR(info.st_mode)) {
      folders.push_back(name);
    } else if (allFiles || IsConfigurationFileName(name)) {
      files.push_back(name);
    }
  }
  closedir(dir);
  std::sort(folders.begin(), folders.end(), NaturalLess);
  std::sort(files.begin(), files.end(), NaturalLess);
  // The parent folder first, then the folders, then the files.
  std::vector<std::string> entries{"[..]"};
  for (const std::string& name : folders) entries.push_back("[" + name + "]");
  entries.insert(entries.end(), files.begin(), files.end());
  return entries;
}

bool AddSelectedFile(std::vector<std::string>& selected, const std::string& name) {
  const bool present = std::any_of(selected.begin(), selected.end(),
                                   [&](const std::string& s) { return EqualsIgnoreCase(s, name); });
  if (!present) selected.push_back(name);
  return !present;
}

}  // namespace k7q
