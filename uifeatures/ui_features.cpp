#include "uifeatures/ui_features.h"

#include <expat.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

#include "chipmodel/chip_engine.h"
#include "chipmodel/labels.h"
#include "chipmodel/number_text.h"
#include "chipmodel/text_format.h"
#include "expr/expression.h"
#include "expr/feature_resolver.h"
#include "reports/descriptions.h"

namespace k7q {

extern const char* const kUiFeaturesLines[];
extern const std::size_t kUiFeaturesLineCount;

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

bool Matches(const std::optional<std::string>& list, ChipEngine& chip) {
  return list && chip.IsApplicable(list);
}

const UiDefine* DefineFor(const UiItem& item, std::string_view key) {
  for (const UiDefine& d : item.defines) {
    if (d.key && *d.key == key) return &d;
  }
  return nullptr;
}

std::string ValueText(ChipEngine& chip, const std::string& feature) {
  const char* text = chip.GetValueText(feature, true);
  return text ? text : "";
}

}  // namespace

UiFeatures::UiFeatures(ChipEngine& chip) : chip_(chip) {
  std::string text;
  for (size_t i = 0; i < kUiFeaturesLineCount; ++i) text += std::string(kUiFeaturesLines[i]) + "\n";
  InstallFeatureResolver(chip);
  Load(text);
}

UiFeatures::UiFeatures(ChipEngine& chip, std::string_view documentText) : chip_(chip) {
  InstallFeatureResolver(chip);
  Load(documentText);
}

void UiFeatures::Load(std::string_view documentText) {
  Loader loader;
  loader.chip = &chip_;
  loader.topLevel = &topLevel_;
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

bool UiFeatures::IsHidden(const UiItem& item) {
  if (item.product && !chip_.IsApplicable(item.product)) return true;
  if (!chip_.ShowReserved() && Matches(item.reserved, chip_)) return true;
  if (!item.hideWhen) return item.feature && !chip_.IsFeatureAvailable(*item.feature);
  // An evaluation error is not reported; the value it left decides.
  return Truth(Evaluate(*item.hideWhen).value);
}

std::string UiFeatures::Label(const UiItem& item, uint32_t flags) {
  std::string name;
  bool markedReadOnly = false;  // by the chip definition's label
  if (flags & kLabelName) {
    const OptText& own = (flags & kLabelShort) ? item.shortName : item.fullName;
    if (own) {
      name = *own;
    } else if (item.feature) {
      name = FeatureLabel(chip_, *item.feature, flags).value_or("");
      markedReadOnly = (flags & kLabelMarkers) && chip_.IsFeatureReadOnly(*item.feature);
    }
  }
  const bool readOnly = item.readOnly && !markedReadOnly;
  const bool reserved = Matches(item.reserved, chip_);
  if (!readOnly && !reserved) return name;
  const bool shortForm = flags & kLabelShort;
  std::string text = name + ((flags & kLabelName) ? " [" : "[");
  if (readOnly) text += shortForm ? "RO," : "READONLY,";
  if (reserved) text += shortForm ? "RSVD," : "RESERVED,";
  text.pop_back();
  return text + "] ";
}

std::string UiFeatures::ItemText(UiItem& item) {
  std::string text;
  if (item.type == kUiTemplate) {
    const int match = MatchTemplate(item);
    text = Label(item, kLabelName) + "* =  ";
    text += match >= 0 ? item.templates[match].fullName.value_or("") : "(no match)";
  } else {
    text = (item.inTemplate ? "*" : "") + Label(item, kLabelName | kLabelMarkers);
  }
  if (item.feature && !chip_.IsFeatureWriteOnly(*item.feature)) {
    if (const char* value = chip_.GetValueText(*item.feature, true)) {
      std::string shown = value;
      if (shown.empty()) {
        shown = "(empty)";
      } else if (chip_.GetType(*item.feature) == kTypeText) {
        shown = "\"" + shown + "\"";
      }
      text += "  =  " + shown;
      if (item.overrideFeature) {
        const bool on = chip_.GetFieldValue(*item.overrideFeature) != 0;
        text +=
            StringPrintf(" [%s]", (on ? item.overridePos : item.overrideNeg).value_or("").c_str());
      }
    }
  }
  return text;
}

int UiFeatures::MatchTemplate(UiItem& item) {
  auto matches = [&](const UiTemplate& t) {
    if (t.values.empty()) return false;
    for (const UiTemplateValue& v : t.values) {
      const UiDefine* define = DefineFor(item, v.key);
      if (!define || !define->feature) continue;
      if (ValueText(chip_, *define->feature) != v.value) return false;
    }
    return true;
  };
  const int count = static_cast<int>(item.templates.size());
  if (item.lastMatch > 0 && item.lastMatch < count && matches(item.templates[item.lastMatch])) {
    return item.lastMatch;
  }
  for (int i = 0; i < count; ++i) {
    if (matches(item.templates[i])) {
      item.lastMatch = i;
      return i;
    }
  }
  return -1;
}

std::string UiFeatures::TemplateName(const UiItem& item, int index, uint32_t flags) {
  if (index < 0 || index >= static_cast<int>(item.templates.size())) return {};
  const UiTemplate& t = item.templates[index];
  const OptText& name = (flags & kLabelShort) ? t.shortName : t.fullName;
  return name ? *name : t.key.value_or("");
}

std::string UiFeatures::TemplateValueName(const UiItem& item, int templ, int value,
                                          uint32_t flags) {
  if (templ < 0 || templ >= static_cast<int>(item.templates.size())) return {};
  const auto& values = item.templates[templ].values;
  if (value < 0 || value >= static_cast<int>(values.size())) return {};
  const std::string& key = values[value].key;
  const UiDefine* define = DefineFor(item, key);
  if (!define) return key;
  const OptText& own = (flags & kLabelShort) ? define->shortName : define->fullName;
  if (own) return *own;
  return define->feature ? FeatureLabel(chip_, *define->feature, flags).value_or(key) : key;
}

bool UiFeatures::ApplyTemplate(UiItem& item, int index, std::string* errorText) {
  if (index < 0 || index >= static_cast<int>(item.templates.size())) return false;
  bool failed = false;
  for (const UiTemplateValue& v : item.templates[index].values) {
    const UiDefine* define = DefineFor(item, v.key);
    if (!define || !define->feature) continue;
    const std::string& feature = *define->feature;
    if (chip_.SetValueText(feature, v.value)) continue;
    if (!failed && errorText) *errorText = "ERROR LOADING TEMPLATE:";
    failed = true;
    if (errorText) {
      const std::string label =
          FeatureLabel(chip_, feature, kLabelName | kLabelMarkers | kLabelShort).value_or("");
      *errorText += StringPrintf("\nCould not set %s to '%s' (it remains '%s').", label.c_str(),
                                 v.value.c_str(), ValueText(chip_, feature).c_str());
    }
  }
  item.lastMatch = index;
  return !failed;
}

std::string UiFeatures::Description(const UiItem& item) {
  std::string text;
  if (!item.feature) return text;
  FeatureDetails(chip_, *item.feature, text, "", "\n", "", 90);
  if (item.overrideFeature) {
    text += StringPrintf("\n\n[%s/%s] = ", item.overridePos.value_or("").c_str(),
                         item.overrideNeg.value_or("").c_str());
    FeatureDetails(chip_, *item.overrideFeature, text, "", "\n", "", 90);
  }
  return text;
}

bool UiFeatures::FindTemplate(std::string_view name, UiItem** item, int* index) {
  std::vector<UiNode*> stack;
  for (auto& node : topLevel_) stack.push_back(node.get());
  while (!stack.empty()) {
    UiNode* node = stack.back();
    stack.pop_back();
    for (size_t i = 0; i < node->item.templates.size(); ++i) {
      const UiTemplate& t = node->item.templates[i];
      for (const OptText* n : {&t.key, &t.shortName, &t.fullName}) {
        if (*n && EqualsIgnoreCase(**n, name)) {
          *item = &node->item;
          *index = static_cast<int>(i);
          return true;
        }
      }
    }
    for (auto& child : node->children) stack.push_back(child.get());
  }
  return false;
}

}  // namespace k7q
