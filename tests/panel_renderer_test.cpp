// The rendered panel against golden PNGs, pixel for pixel; a failure writes the
// differences as panel-NAME.diff.png into the working folder (red: differing pixels).
// K7Q_UPDATE_GOLDEN=1 writes the goldens instead.
#include "board/panel_renderer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "board/png_file.h"
#include "board/simulated_board.h"
#include "config/chip62500.h"

namespace {

using Setup = std::function<void(Chip62500&)>;
using Draw = std::function<void(Chip62500&, SimulatedBoard&)>;

void Set(Chip62500& chip, std::initializer_list<std::pair<const char*, uint32_t>> raws) {
  for (const auto& [name, raw] : raws) ASSERT_TRUE(chip.SetRawValue(name, raw)) << name;
}

// A 128 by 64 panel at 1 bit per pixel, block 1 the whole screen.
void Small(Chip62500& chip) {
  Set(chip, {{"stride", 15}, {"tcr", 19}, {"lf", 63}, {"ap", 16}, {"sl1", 63}, {"sl2", 63}});
}

void Poke(SimulatedBoard& board, uint32_t address, uint8_t value) {
  board.Write8(kSimulatedLinearBase + board.MemoryOffset(address), value);
}

void SetCursor(SimulatedBoard& board, uint32_t address) {
  board.Write8(kSimulatedLinearBase + board.RegisterOffset(0x1C), address & 0xFF);
  board.Write8(kSimulatedLinearBase + board.RegisterOffset(0x1D), address >> 8);
}

void Pattern(Chip62500& chip, SimulatedBoard&) {
  ASSERT_EQ(chip.DrawTestPattern(), 0);
}

// Three overlapping graphics layers at 2 bits per pixel, each of its own gray level:
// checks at 0000h, a box at 0400h, bars at 0800h.
void Layers(Chip62500&, SimulatedBoard& board) {
  for (uint32_t y = 0; y < 64; ++y) {
    for (uint32_t x = 0; x < 16; ++x) {
      Poke(board, y * 16 + x, (x + y / 4) % 2 ? 0x55 : 0);
      Poke(board, 0x400 + y * 16 + x, (y >= 16 && y < 48 && x >= 4 && x < 12) ? 0xFF : 0);
      Poke(board, 0x800 + y * 16 + x, (y / 8) % 2 ? 0x77 : 0);
    }
  }
}

Setup LayerSetup(uint32_t threeLayers, uint32_t method) {
  return [=](Chip62500& chip) {
    Small(chip);
    Set(chip, {{"rawbpp", 1},
               {"dm1", 1},
               {"dm2", 1},
               {"ov", threeLayers},
               {"mx", method},
               {"sb2saddr", 0x400},
               {"sb3saddr", 0x800},
               {"fp32", 1},
               {"fp54", 1}});
  };
}

Setup CursorSetup(uint32_t block) {
  return [=](Chip62500& chip) {
    Small(chip);
    Set(chip, {{"cm", block}, {"csrwidth", 5}, {"csrheight", 6}, {"hdotscr", 0}});
  };
}

struct GoldenCase {
  const char* name;
  Setup setup;
  Draw draw;
};

const GoldenCase kCases[] = {
    {"default-text", [](Chip62500&) {}, Pattern},
    {"bands-1bpp",
     [](Chip62500& c) {
       Set(c, {{"dm1", 1}});
     },
     Pattern},
    {"bands-2bpp",
     [](Chip62500& c) {
       Set(c, {{"dm1", 1}, {"rawbpp", 1}});
     },
     Pattern},
    {"bands-4bpp",
     [](Chip62500& c) {
       Set(c, {{"dm1", 1}, {"rawbpp", 2}, {"stride", 39}, {"ap", 40}});
     },
     Pattern},
    {"text-rom8-scrolled",
     [](Chip62500& c) {
       Small(c), Set(c, {{"hdotscr", 3}});
     },
     Pattern},
    {"text-rom16",
     [](Chip62500& c) {
       Small(c), Set(c, {{"m2", 1}, {"fy", 15}, {"fx", 9}});
     },
     Pattern},
    {"text-cgram",
     [](Chip62500& c) {
       Small(c), Set(c, {{"m0", 1}, {"cgramsaddr", 0x7000}});
     },
     [](Chip62500& c, SimulatedBoard& b) {
       Pattern(c, b);
       for (uint32_t i = 0; i < 0x100 * 8; ++i) Poke(b, 0x7000 + i, static_cast<uint8_t>(i / 8));
     }},
    {"two-layer-or", LayerSetup(0, 0), Layers},
    {"two-layer-xor", LayerSetup(0, 1), Layers},
    {"two-layer-and", LayerSetup(0, 2), Layers},
    {"two-layer-priority", LayerSetup(0, 3), Layers},
    {"three-layer-or", LayerSetup(1, 0), Layers},
    {"three-layer-xor", LayerSetup(1, 1), Layers},
    {"three-layer-and", LayerSetup(1, 2), Layers},
    {"three-layer-priority", LayerSetup(1, 3), Layers},
    {"cursor-underscore", CursorSetup(0),
     [](Chip62500& c, SimulatedBoard& b) { Pattern(c, b), SetCursor(b, 16 * 2 + 3); }},
    {"cursor-block", CursorSetup(1),
     [](Chip62500& c, SimulatedBoard& b) { Pattern(c, b), SetCursor(b, 16 * 4 + 9); }},
    {"display-off",
     [](Chip62500& c) {
       Small(c), Set(c, {{"displayenable", 0}});
     },
     Pattern},
    {"block1-blank",
     [](Chip62500& c) {
       Small(c), Set(c, {{"fp10", 0}});
     },
     Pattern},
};

PngPixels DiffImage(const PngPixels& want, const PanelImage& got) {
  PngPixels diff{got.width, got.height, 3, {}};
  for (size_t i = 0; i < got.pixels.size(); ++i) {
    const bool same = i < want.bytes.size() && want.bytes[i] == got.pixels[i];
    const uint8_t dim = got.pixels[i] / 3;
    diff.bytes.insert(diff.bytes.end(), {same ? dim : uint8_t{255}, dim, dim});
  }
  return diff;
}

}  // namespace

TEST(PanelRenderer, MatchesTheGoldenPictures) {
  const bool update = std::getenv("K7Q_UPDATE_GOLDEN") != nullptr;
  for (const GoldenCase& c : kCases) {
    SCOPED_TRACE(c.name);
    Chip62500 chip;
    c.setup(chip);
    auto owned = std::make_unique<SimulatedBoard>(SimulatedLayoutFor(chip.Tables(), chip.Block()));
    SimulatedBoard& board = *owned;
    chip.UseBoardDriver(std::move(owned));
    ASSERT_TRUE(chip.InitializeChip(0, nullptr));
    c.draw(chip, board);
    const PanelImage image =
        RenderPanel(board.Chip().registers, board.Chip().memory, kSimulatedMemorySize);
    const std::string golden =
        std::string(K7Q_TEST_SOURCE_DIR) + "/golden/panel-" + c.name + ".png";
    std::string error;
    if (update) {
      ASSERT_TRUE(WritePng(golden, {image.width, image.height, 1, image.pixels}, &error)) << error;
      continue;
    }
    const std::optional<PngPixels> want = ReadPng(golden, 1, &error);
    ASSERT_TRUE(want) << error;
    if (want->width == image.width && want->height == image.height && want->bytes == image.pixels) {
      continue;
    }
    const std::string diff = std::string("panel-") + c.name + ".diff.png";
    WritePng(diff, DiffImage(*want, image), &error);
    ADD_FAILURE() << "differs from " << golden << "; see " << diff << " (" << image.width << "x"
                  << image.height << " against " << want->width << "x" << want->height << ")";
  }
}
