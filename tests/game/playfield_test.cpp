// The rules of the game, stepped frame by frame from wells drawn as rows of text.
#include "playfield.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

int32_t Explosions;  // explosions still running, as the screen would report them
int32_t Landings;
int32_t RandomValue; // what the generator answers next

int32_t RunningExplosions() { return Explosions; }
void CountLanding() { ++Landings; }
int32_t NextRandom(int32_t N) { return RandomValue % N; }

// Draws the bottom rows of the well: '.' is empty, '1'..'7' a block of that colour.
void DrawWell(const std::vector<std::string>& Rows) {
  ClearField();
  const int32_t first = FieldRows - static_cast<int32_t>(Rows.size()) + 1;
  for (size_t r = 0; r < Rows.size(); ++r)
    for (int32_t column = 1; column <= FieldColumns; ++column) {
      const char c = Rows[r][column - 1];
      Playfield[column][first + static_cast<int32_t>(r)].Color = c == '.' ? 0 : c - '0';
    }
}

// A stick of the given colours in Column, resting on the stack there.
void RestPiece(int32_t Column, int32_t C1, int32_t C2, int32_t C3) {
  int32_t top = FieldRows + 1;
  for (int32_t row = 1; row <= FieldRows; ++row)
    if (Playfield[Column][row].Color != 0) {
      top = row;
      break;
    }
  PieceX = Column;
  PieceY = top - 3;
  CurrentPiece[1] = C1;
  CurrentPiece[2] = C2;
  CurrentPiece[3] = C3;
}

void Frame() {
  ResolveField();
  FallStep();
}

class PlayfieldRules : public ::testing::Test {
protected:
  void SetUp() override {
    Rules = PlayfieldHooks{};
    Rules.ExplosionCount = RunningExplosions;
    Rules.PieceLanded = CountLanding;
    Rules.Random = NextRandom;
    Explosions = Landings = 0;
    RandomValue = 4; // new sticks of colour 5, which the wells below do not use
    StartNewGame();
    FallDelay = 1000; // the stick stays up unless a case lets it fall
  }
};

TEST_F(PlayfieldRules, LinesScoreTwiceTheSquareOfEachWave) {
  const struct {
    const char* name;
    std::vector<std::string> well;
    int32_t column, c1, c2, c3; // a stick that lands in the first frame; column 0: none
    int32_t frames;
    int32_t score;
  } cases[] = {
      {"a stick of three equal colours", {".........."}, 1, 1, 1, 1, 3, 18},
      {"a horizontal five", {"22.22....."}, 3, 3, 4, 2, 3, 50},
      {"an L sharing its end block", {".11......."}, 1, 1, 1, 1, 3, 50},
      {"a gap restarts the count", {"11.11....."}, 0, 0, 0, 0, 4, 0},
      {"another colour restarts the count", {"11211....."}, 0, 0, 0, 0, 4, 0},
      {"a diagonal descending to the right in the corner", {"4.........", "64........", "764......."}, 0, 0, 0, 0, 3,
       18},
      {"a diagonal ascending to the right in the corner", {".........4", "........46", ".......467"}, 0, 0, 0, 0, 3,
       18},
      {"a chain of three then four", {".2........", ".1........", ".1........", "2122......"}, 0, 0, 0, 0, 4, 50},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    DrawWell(c.well);
    if (c.column) {
      RestPiece(c.column, c.c1, c.c2, c.c3);
      FallDelay = 1;
    }
    for (int32_t f = 0; f < c.frames; ++f) Frame();
    EXPECT_EQ(Score, c.score);
  }
}

TEST_F(PlayfieldRules, ALandedLineIsMarkedInTheNextFrameAndRemovedInTheOneAfter) {
  DrawWell({".........."});
  RestPiece(1, 3, 3, 3);
  FallDelay = 1;
  Frame(); // lands
  EXPECT_EQ(Landings, 1);
  Frame(); // marks; the new stick keeps counting
  EXPECT_EQ(Score, 0);
  EXPECT_EQ(FieldBusy, 0);
  EXPECT_TRUE(Playfield[1][22].Marked);
  Frame(); // removes
  EXPECT_EQ(Score, 18);
  EXPECT_EQ(FieldBusy, 1);
  EXPECT_EQ(Playfield[1][22].Color, 0);
}

TEST_F(PlayfieldRules, MovesAreRefusedOnlyAtTheWallsAndBesideFilledCells) {
  DrawWell({"...1......", "...1......", "...1......"});
  const struct {
    const char* name;
    int32_t x, y;
    void (*move)();
    int32_t expected;
  } cases[] = {
      {"left at the wall", 1, 1, MovePieceLeft, 1},
      {"right at the wall", 10, 1, MovePieceRight, 10},
      {"left beside a column reaching the stick's bottom", 5, 18, MovePieceLeft, 5},
      {"left beside a column below the stick", 5, 17, MovePieceLeft, 4},
      {"right into an empty column", 5, 18, MovePieceRight, 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PieceX = c.x;
    PieceY = c.y;
    c.move();
    EXPECT_EQ(PieceX, c.expected);
  }
}

TEST_F(PlayfieldRules, AStickRestingOnABlockMovesUntilItsNextStepAndFallsOn) {
  DrawWell({"....1....."});
  RestPiece(5, 2, 3, 4);
  FallDelay = 3;
  FallCounter = 0;
  Frame();
  MovePieceRight(); // before its counted step
  Frame();
  Frame(); // the counted step: the cell below is empty now
  EXPECT_EQ(Landings, 0);
  EXPECT_EQ(PieceY, 20);
  EXPECT_EQ(PieceX, 6);
}

TEST_F(PlayfieldRules, TheDropKeyDropsOnlyTheCurrentStick) {
  DrawWell({".........."});
  PieceX = 5;
  PieceY = 1;
  FallDelay = 40;
  DropHeld = 1;
  for (int f = 0; f < 20 && Landings == 0; ++f) Frame();
  EXPECT_EQ(Landings, 1) << "one row a frame";
  EXPECT_EQ(DropHeld, 0) << "the next stick is dealt without it";
  Frame();
  EXPECT_EQ(PieceY, 1) << "the next stick falls at the normal speed";
}

TEST_F(PlayfieldRules, WhileExplosionsRunTheStickNeitherCountsNorFallsButMovesAndCycles) {
  DrawWell({".........."});
  PieceX = 5;
  PieceY = 1;
  CurrentPiece[1] = 1, CurrentPiece[2] = 2, CurrentPiece[3] = 3;
  FallDelay = 1;
  Explosions = 2;
  for (int f = 0; f < 5; ++f) Frame();
  EXPECT_EQ(PieceY, 1);
  EXPECT_EQ(FallCounter, 0);
  EXPECT_EQ(FieldBusy, 1);
  MovePieceLeft();
  CycleColorsUp();
  EXPECT_EQ(PieceX, 4);
  EXPECT_EQ(CurrentPiece[1], 2);
  EXPECT_EQ(CurrentPiece[3], 1);
  CycleColorsDown();
  EXPECT_EQ(CurrentPiece[1], 1);
  Explosions = 0;
  Frame();
  EXPECT_EQ(PieceY, 2);
}

TEST_F(PlayfieldRules, EveryEleventhStickRaisesTheLevelWithoutEnd) {
  StartNewGame(); // the first stick counts
  for (int piece = 2; piece <= 11; ++piece) SpawnPiece();
  EXPECT_EQ(Level, 2);
  EXPECT_EQ(FallDelay, 39);
  for (int piece = 12; piece <= 440; ++piece) SpawnPiece();
  EXPECT_EQ(Level, 41);
  EXPECT_EQ(FallDelay, 0);
  ClearField();
  PieceY = 1;
  Frame();
  EXPECT_EQ(PieceY, 2) << "still one row a frame";
}

TEST_F(PlayfieldRules, ALandingWithItsTopInTheFirstRowEndsTheGameEvenWhenItMakesALine) {
  std::vector<std::string> well;
  for (int row = 4; row <= FieldRows; ++row) well.push_back(row % 2 ? "....1....." : "....2.....");
  DrawWell(well);
  RestPiece(5, 3, 3, 3);
  ASSERT_EQ(PieceY, 1);
  FallDelay = 1;
  Frame();
  EXPECT_EQ(Landings, 1);
  EXPECT_EQ(GameOver, 1);
}

} // namespace
