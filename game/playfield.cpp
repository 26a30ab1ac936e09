// The rules of the game: the well, the falling stick and the two per-frame steps.
#include "playfield.h"

PlayfieldHooks Rules;
FieldCell Playfield[FieldColumns + 1][FieldRows + 1];
int32_t PieceX, PieceY;
int32_t CurrentPiece[4];
int32_t NextPiece[4];
int32_t Score, Level, FallDelay, FallCounter, SpawnCount, GameOver, FieldBusy;
uint8_t DropHeld;

namespace {

constexpr int32_t StartColumn = 5;
constexpr int32_t StartFallDelay = 40;
constexpr int32_t PiecesPerLevel = 10; // the level rises when the count passes this

bool Empty(int32_t Column, int32_t Row) { return Playfield[Column][Row].Color == 0; }

void Draw(int32_t Column, int32_t Row) {
  if (Rules.DrawFieldCell) Rules.DrawFieldCell(Column, Row);
}

// The stick's three cells beside it, in column Column, are all empty.
bool SideFree(int32_t Column) {
  for (int32_t k = 0; k < 3; ++k)
    if (!Empty(Column, PieceY + k)) return false;
  return true;
}

// Walks one line of colour Color cell by cell, marking every block of every run of
// three or more.
struct RunMarker {
  int32_t Color;
  int32_t Run = 0;
  FieldCell* Previous[2] = {nullptr, nullptr};
  void Visit(FieldCell& Cell) {
    Run = Cell.Color == Color ? Run + 1 : 0;
    if (Run == 3) Previous[0]->Marked = Previous[1]->Marked = 1;
    if (Run >= 3) Cell.Marked = 1;
    Previous[0] = Previous[1];
    Previous[1] = &Cell;
  }
};

void MarkLines() {
  for (int32_t c = 1; c <= BlockColors; ++c) {
    for (int32_t row = 1; row <= FieldRows; ++row) {
      RunMarker line{c};
      for (int32_t column = 1; column <= FieldColumns; ++column) line.Visit(Playfield[column][row]);
    }
    for (int32_t column = 1; column <= FieldColumns; ++column) {
      RunMarker line{c};
      for (int32_t row = 1; row <= FieldRows; ++row) line.Visit(Playfield[column][row]);
    }
    // Descending to the right: row = column + d - 1.
    for (int32_t d = -FieldColumns; d <= FieldRows + FieldColumns; ++d) {
      RunMarker line{c};
      for (int32_t column = 1; column <= FieldColumns; ++column) {
        const int32_t row = column + d - 1;
        if (row >= 1 && row <= FieldRows) line.Visit(Playfield[column][row]);
      }
    }
    // Ascending to the right: row = d - column + 1.
    for (int32_t d = FieldRows + FieldColumns; d >= -FieldColumns; --d) {
      RunMarker line{c};
      for (int32_t column = 1; column <= FieldColumns; ++column) {
        const int32_t row = d - column + 1;
        if (row >= 1 && row <= FieldRows) line.Visit(Playfield[column][row]);
      }
    }
  }
}

} // namespace

void ClearField() {
  for (auto& column : Playfield)
    for (FieldCell& cell : column) cell = FieldCell{};
}

void GenerateNextPiece() {
  for (int32_t i = 1; i <= 3; ++i) NextPiece[i] = 1 + (Rules.Random ? Rules.Random(BlockColors) : 0);
  if (Rules.NextPieceDealt) Rules.NextPieceDealt();
}

void SpawnPiece() {
  PieceY = 1;
  if (!Empty(PieceX, 1) && !Empty(PieceX, 2) && !Empty(PieceX, 3)) {
    GameOver = 1;
    return;
  }
  for (int32_t i = 1; i <= 3; ++i) CurrentPiece[i] = NextPiece[i];
  SpawnCount += 1;
  if (SpawnCount > PiecesPerLevel) {
    Level += 1;
    FallDelay -= 1;
    SpawnCount = 0;
  }
  DropHeld = 0;
}

void StartNewGame() {
  Score = 0;
  PieceX = StartColumn;
  FallCounter = 0;
  FallDelay = StartFallDelay;
  Level = 1;
  SpawnCount = 0;
  GameOver = 0;
  FieldBusy = 0;
  ClearField();
  GenerateNextPiece();
  SpawnPiece();
  GenerateNextPiece();
}

void MovePieceLeft() {
  if (PieceX > 1 && SideFree(PieceX - 1)) PieceX -= 1;
}

void MovePieceRight() {
  if (PieceX < FieldColumns && SideFree(PieceX + 1)) PieceX += 1;
}

void CycleColorsUp() {
  const int32_t top = CurrentPiece[1];
  CurrentPiece[1] = CurrentPiece[2];
  CurrentPiece[2] = CurrentPiece[3];
  CurrentPiece[3] = top;
}

void CycleColorsDown() {
  const int32_t bottom = CurrentPiece[3];
  CurrentPiece[3] = CurrentPiece[2];
  CurrentPiece[2] = CurrentPiece[1];
  CurrentPiece[1] = bottom;
}

void ResolveField() {
  FieldBusy = 0;
  // Marks wait while a wave still explodes.
  if (Rules.ExplosionCount && Rules.ExplosionCount() > 0) {
    FieldBusy = 1;
    return;
  }

  int32_t removed = 0;
  for (int32_t row = 1; row <= FieldRows; ++row) {
    for (int32_t column = 1; column <= FieldColumns; ++column) {
      FieldCell& cell = Playfield[column][row];
      if (!cell.Marked) continue;
      removed += 1;
      cell = FieldCell{};
      Draw(column, row);
      if (Rules.SpawnExplosion)
        Rules.SpawnExplosion((column - 1) * CellSide + FieldLeft, (row - 1) * CellSide + FieldTop);
      FieldBusy = 1;
    }
  }
  Score += 2 * removed * removed;

  // Enough passes to settle every column within this one call.
  for (int32_t pass = 0; pass < FieldRows; ++pass) {
    for (int32_t column = 1; column <= FieldColumns; ++column) {
      for (int32_t row = FieldRows; row >= 2; --row) {
        if (!Empty(column, row) || Empty(column, row - 1)) continue;
        Playfield[column][row].Color = Playfield[column][row - 1].Color;
        Playfield[column][row - 1].Color = 0;
        Draw(column, row);
        Draw(column, row - 1);
        FieldBusy = 1;
      }
    }
  }

  MarkLines();
}

void FallStep() {
  if (FieldBusy) return;
  if (DropHeld) {
    FallCounter = FallDelay;
    if (Rules.DropStep) Rules.DropStep();
  }
  FallCounter += 1;
  if (FallCounter < FallDelay) return;
  FallCounter = 0;
  if (PieceY <= FieldRows - 3 && Empty(PieceX, PieceY + 3)) {
    PieceY += 1;
    return;
  }
  // Landing: the stick's colours are written over whatever the three cells hold.
  for (int32_t i = 1; i <= 3; ++i) {
    Playfield[PieceX][PieceY + i - 1].Color = CurrentPiece[i];
    Draw(PieceX, PieceY + i - 1);
  }
  if (Rules.PieceLanded) Rules.PieceLanded();
  SpawnPiece();
  GenerateNextPiece();
}
