#include "uifeatures/ui_feature_loader.h"

#include <expat.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

#include "chipmodel/chip_engine.h"
#include "chipmodel/number_text.h"

namespace k7q {

namespace {

constexpr size_t kMaxDisqualifiers = 50;
constexpr size_t kMaxDefines = 50;
constexpr size_t kMaxTemplates = 100;
constexpr size_t kMaxTemplateValues = 50;
constexpr size_t kPieceSize = 65536;
// All template files parsed for one document together (a file named by several items
// counts each time) hold at most this many bytes; the files beyond are left out.
constexpr size_t kMaxTemplateBytes = 16 << 20;

using FileId = std::pair<dev_t, ino_t>;

// An item naming a file, and the files whose reading brought the item.
struct PendingFile {
  UiNode* node;
  std::vector<FileId> chain;
};

bool Is(const char* a, const char* b) {
  return std::strcmp(a, b) == 0;
}

const char* Attribute(const XML_Char** attrs, const char* name) {
  for (int i = 0; attrs[i]; i += 2) {
    if (Is(attrs[i], name)) return attrs[i + 1];
  }
  return nullptr;
}

OptText Text(const XML_Char** attrs, const char* name) {
  const char* value = Attribute(attrs, name);
  return value ? OptText(value) : std::nullopt;
}

enum class Mode { kEmptyTree, kAddChild, kAddSibling };

struct Loader {
  ChipEngine* chip;
  std::vector<std::unique_ptr<UiNode>>* topLevel;
  UiNode* cursor = nullptr;
  Mode mode = Mode::kEmptyTree;
  int depth = 0;
  int baseDepth = 0;  // the tree depth of the item whose file is read
  int skipDepth = 0;
  std::vector<UiNode*> nodeAtDepth;
  std::vector<size_t> siblingAtDepth;
  std::vector<PendingFile> pending;
  std::vector<FileId> chain;            // the files being read, outermost first
  std::map<FileId, std::string> texts;  // each file is read once
  size_t bytesLeft = kMaxTemplateBytes;
  size_t cursorAt = 0;  // the cursor's place among its siblings

  void Insert(std::unique_ptr<UiNode> node) {
    UiNode* raw = node.get();
    if (mode == Mode::kEmptyTree || !cursor) {
      topLevel->push_back(std::move(node));
      cursorAt = topLevel->size() - 1;
    } else if (mode == Mode::kAddChild) {
      node->parent = cursor;
      cursor->children.insert(cursor->children.begin(), std::move(node));
      cursorAt = 0;
    } else {
      auto& siblings = cursor->parent ? cursor->parent->children : *topLevel;
      node->parent = cursor->parent;
      // Items arrive in order, so the cursor is found at once and the new one appended.
      size_t at = cursorAt < siblings.size() && siblings[cursorAt].get() == cursor ? cursorAt : 0;
      while (at < siblings.size() && siblings[at].get() != cursor) ++at;
      cursorAt = std::min(at + 1, siblings.size());
      siblings.insert(siblings.begin() + static_cast<long>(cursorAt), std::move(node));
    }
    cursor = raw;
  }

  void StartItem(const XML_Char** attrs) {
    if (skipDepth != 0) {
      ++skipDepth;
      ++depth;
      return;
    }
    const OptText product = Text(attrs, "PRODUCT");
    const OptText feature = Text(attrs, "FEATURE");
    if ((product && !chip->IsApplicable(product)) ||
        (feature && !chip->IsFeatureAvailable(*feature)) || baseDepth + depth >= kMaxUiItemDepth) {
      ++skipDepth;
      ++depth;
      return;
    }
    auto node = std::make_unique<UiNode>();
    UiItem& item = node->item;
    const char* type = Attribute(attrs, "TYPE");
    item.type = type && Is(type, "item")       ? kUiItem
                : type && Is(type, "template") ? kUiTemplate
                                               : kUiGroup;
    item.feature = feature;
    item.hideWhen = Text(attrs, "HIDEWHEN");
    item.shortName = Text(attrs, "SHORTNAME");
    item.fullName = Text(attrs, "FULLNAME");
    const char* access = Attribute(attrs, "ACCESS");
    item.readOnly = access && Is(access, "ro");
    item.reserved = Text(attrs, "RESERVED");
    item.product = product;
    item.overrideFeature = Text(attrs, "OVERRIDE");
    item.overridePos = Text(attrs, "OVERRIDEPOS");
    item.overrideNeg = Text(attrs, "OVERRIDENEG");
    item.file = Text(attrs, "FILE");
    const char* version = Attribute(attrs, "FILEVER");
    item.fileVersion = version ? ReadNumber(version, 10) : 0;
    item.inTemplate = Attribute(attrs, "INTEMPLATE") != nullptr;
    const bool group = item.type == kUiGroup;
    const bool hasFile = item.file.has_value();
    Insert(std::move(node));
    if (nodeAtDepth.size() <= static_cast<size_t>(depth)) {
      nodeAtDepth.resize(depth + 1);
      siblingAtDepth.resize(depth + 1);
    }
    nodeAtDepth[depth] = cursor;
    siblingAtDepth[depth] = cursorAt;
    mode = group ? Mode::kAddChild : Mode::kAddSibling;
    if (hasFile) pending.push_back({cursor, chain});
    ++depth;
  }

  void EndItem() {
    --depth;
    if (skipDepth != 0) {
      --skipDepth;
      return;
    }
    if (depth >= 0 && static_cast<size_t>(depth) < nodeAtDepth.size() && nodeAtDepth[depth] &&
        nodeAtDepth[depth]->item.type == kUiGroup) {
      cursor = nodeAtDepth[depth];
      cursorAt = siblingAtDepth[depth];
      mode = Mode::kAddSibling;
    }
  }
};

void StartElement(void* data, const XML_Char* name, const XML_Char** attrs) {
  auto* loader = static_cast<Loader*>(data);
  if (Is(name, "UIITEM")) return loader->StartItem(attrs);
  UiItem* item = loader->cursor ? &loader->cursor->item : nullptr;
  if (Is(name, "TEMPLATES")) {
    const char* version = Attribute(attrs, "VERSION");
    if (item && (version ? ReadNumber(version, 10) : 0) != item->fileVersion) {
      item->enabled = false;
      ++loader->skipDepth;
    }
    return;
  }
  if (loader->skipDepth != 0 || !item) return;
  if (Is(name, "DISQUALIFY") && item->disqualifiers.size() < kMaxDisqualifiers) {
    item->disqualifiers.push_back(
        {Text(attrs, "KEYNAME"), Text(attrs, "OP"), Text(attrs, "VALUE"), Text(attrs, "REASON")});
  } else if (Is(name, "DEFINE") && item->defines.size() < kMaxDefines) {
    item->defines.push_back({Text(attrs, "KEYNAME"), Text(attrs, "FEATURE"),
                             Text(attrs, "SHORTNAME"), Text(attrs, "FULLNAME")});
  } else if (Is(name, "TEMPLATE") && item->templates.size() < kMaxTemplates) {
    const char* isPublic = Attribute(attrs, "PUBLIC");
    item->templates.push_back({Text(attrs, "KEYNAME"),
                               Text(attrs, "SHORTNAME"),
                               Text(attrs, "FULLNAME"),
                               isPublic && Is(isPublic, "y"),
                               {}});
  } else if (Is(name, "FEATURE") && !item->templates.empty() &&
             item->templates.back().values.size() < kMaxTemplateValues) {
    const char* key = Attribute(attrs, "KEYNAME");
    const char* value = Attribute(attrs, "VALUE");
    item->templates.back().values.push_back({key ? key : "", value ? value : ""});
  }
}

void EndElement(void* data, const XML_Char* name) {
  auto* loader = static_cast<Loader*>(data);
  if (Is(name, "UIITEM")) return loader->EndItem();
  if (Is(name, "TEMPLATES") && loader->skipDepth != 0) --loader->skipDepth;
}

XML_Parser NewParser(Loader* loader) {
  XML_Parser parser = XML_ParserCreate(nullptr);
  if (!parser) return nullptr;
  XML_SetUserData(parser, loader);
  XML_SetElementHandler(parser, StartElement, EndElement);
  return parser;
}

// Opens an external template file under its own name, else in the template folder.
int OpenTemplateFile(const std::string& name) {
  int fd = open(name.c_str(), O_RDONLY);
  const char* folder = std::getenv(kTemplatePathVariable);
  if (fd < 0 && folder && *folder) {
    std::string path = folder;
    // Folders are joined with '/' here; a value already ending in '/' or ':' is kept.
    if (path.back() != '/' && path.back() != ':') path += '/';
    fd = open((path + name).c_str(), O_RDONLY);
  }
  return fd;
}

// The text of the item's file: only a regular file that is not already being read
// (a file naming itself, or a cycle of files), and each file is read only once.
const std::string* TemplateFileText(Loader& loader, const PendingFile& pending, FileId* id) {
  const int fd = OpenTemplateFile(*pending.node->item.file);
  if (fd < 0) return nullptr;
  struct stat info;
  const bool usable = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                      static_cast<uint64_t>(info.st_size) <= loader.bytesLeft;
  *id = {info.st_dev, info.st_ino};
  if (!usable ||
      std::find(pending.chain.begin(), pending.chain.end(), *id) != pending.chain.end()) {
    close(fd);
    return nullptr;
  }
  auto [at, isNew] = loader.texts.try_emplace(*id);
  if (isNew) {
    char piece[kPieceSize];
    ssize_t n;
    while (at->second.size() <= loader.bytesLeft && (n = read(fd, piece, sizeof piece)) > 0) {
      at->second.append(piece, static_cast<size_t>(n));
    }
  }
  close(fd);
  if (at->second.size() > loader.bytesLeft) return nullptr;
  loader.bytesLeft -= at->second.size();
  return &at->second;
}

int TreeDepth(const UiNode* node) {
  int depth = 0;
  for (; node->parent; node = node->parent) ++depth;
  return depth;
}

// Reads the item's file; its items follow the item, at the item's level.
void ParseExternal(Loader& loader, const PendingFile& pending) {
  UiNode* node = pending.node;
  FileId id;
  const std::string* text = TemplateFileText(loader, pending, &id);
  if (!text) {
    node->item.enabled = false;
    return;
  }
  XML_Parser parser = NewParser(&loader);
  if (!parser) return;
  const auto& siblings = node->parent ? node->parent->children : *loader.topLevel;
  loader.cursorAt = 0;
  while (loader.cursorAt < siblings.size() && siblings[loader.cursorAt].get() != node) {
    ++loader.cursorAt;
  }
  loader.cursor = node;
  loader.mode = Mode::kAddSibling;
  loader.depth = 0;
  loader.baseDepth = TreeDepth(node);
  loader.skipDepth = 0;
  loader.nodeAtDepth.clear();
  loader.siblingAtDepth.clear();
  loader.chain = pending.chain;
  loader.chain.push_back(id);
  XML_Parse(parser, text->data(), static_cast<int>(text->size()), 1);
  XML_ParserFree(parser);
}

}  // namespace

void LoadUiFeatureTree(ChipEngine& chip, std::string_view documentText,
                       std::vector<std::unique_ptr<UiNode>>& topLevel) {
  Loader loader;
  loader.chip = &chip;
  loader.topLevel = &topLevel;
  XML_Parser parser = NewParser(&loader);
  if (!parser) return;
  XML_Parse(parser, documentText.data(), static_cast<int>(documentText.size()), 1);
  XML_ParserFree(parser);
  while (!loader.pending.empty()) {
    const PendingFile pending = loader.pending.back();
    loader.pending.pop_back();
    ParseExternal(loader, pending);
  }
}

}  // namespace k7q
