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
#include <vector>

#include "board/png_file.h"
#include "board/simulated_board.h"
#include "config/chip62500.h"
#include "tests/support/boards.h"

namespace {

using Raws = std::vector<std::pair<const char*, uint32_t>>;
using Draw = std::function<void(Chip62500&, SimulatedBoard&)>;

void Poke(SimulatedBoard& board, uint32_t address, uint8_t value) {
  board.Write8(kSimulatedLinearBase + board.MemoryOffset(address), value);
}

void Pattern(Chip62500& chip, SimulatedBoard&) {
  ASSERT_EQ(chip.DrawTestPattern(), 0);
}

// The pattern with the cursor at the address.
Draw Cursor(uint32_t address) {
  return [=](Chip62500& chip, SimulatedBoard& board) {
    Pattern(chip, board);
    board.Write8(kSimulatedLinearBase + board.RegisterOffset(0x1C), address & 0xFF);
    board.Write8(kSimulatedLinearBase + board.RegisterOffset(0x1D), address >> 8);
  };
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

struct GoldenCase {
  std::string name;
  bool small;  // a 128 by 64 panel at 1 bit per pixel, block 1 the whole screen
  Raws raws;
  Draw draw;
};

std::vector<GoldenCase> Cases() {
  std::vector<GoldenCase> cases = {
      {"default-text", false, {}, Pattern},
      {"bands-1bpp", false, {{"dm1", 1}}, Pattern},
      {"bands-2bpp", false, {{"dm1", 1}, {"rawbpp", 1}}, Pattern},
      {"bands-4bpp", false, {{"dm1", 1}, {"rawbpp", 2}, {"stride", 39}, {"ap", 40}}, Pattern},
      {"text-rom8-scrolled", true, {{"hdotscr", 3}}, Pattern},
      {"text-rom16", true, {{"m2", 1}, {"fy", 15}, {"fx", 9}}, Pattern},
      {"text-cgram",
       true,
       {{"m0", 1}, {"cgramsaddr", 0x7000}},
       [](Chip62500& c, SimulatedBoard& b) {
         Pattern(c, b);
         for (uint32_t i = 0; i < 0x100 * 8; ++i) Poke(b, 0x7000 + i, static_cast<uint8_t>(i / 8));
       }},
      {"cursor-underscore",
       true,
       {{"cm", 0}, {"csrwidth", 5}, {"csrheight", 6}, {"hdotscr", 0}},
       Cursor(16 * 2 + 3)},
      {"cursor-block",
       true,
       {{"cm", 1}, {"csrwidth", 5}, {"csrheight", 6}, {"hdotscr", 0}},
       Cursor(16 * 4 + 9)},
      {"display-off", true, {{"displayenable", 0}}, Pattern},
      {"block1-blank", true, {{"fp10", 0}}, Pattern}};
  const char* methods[] = {"or", "xor", "and", "priority"};
  for (uint32_t three = 0; three < 2; ++three) {
    for (uint32_t mix = 0; mix < 4; ++mix) {
      cases.push_back({std::string(three ? "three" : "two") + "-layer-" + methods[mix],
                       true,
                       {{"rawbpp", 1},
                        {"dm1", 1},
                        {"dm2", 1},
                        {"ov", three},
                        {"mx", mix},
                        {"sb2saddr", 0x400},
                        {"sb3saddr", 0x800},
                        {"fp32", 1},
                        {"fp54", 1}},
                       Layers});
    }
  }
  return cases;
}

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
  for (const GoldenCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    Chip62500 chip;
    Raws raws = c.raws;
    if (c.small) {
      raws.insert(raws.begin(),
                  {{"stride", 15}, {"tcr", 19}, {"lf", 63}, {"ap", 16}, {"sl1", 63}, {"sl2", 63}});
    }
    for (const auto& [name, raw] : raws) ASSERT_TRUE(chip.SetRawValue(name, raw)) << name;
    SimulatedBoard& board = *AttachBoard(chip);
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
