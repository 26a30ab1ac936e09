// The rules of the game, free of platform calls: the well, the falling stick, the
// per-frame steps that move it, resolve lines and count the score, level and speed.
// What the rules ask of the screen (repainting a cell, starting an explosion, lamps
// and sounds) goes through hooks, so the rules are tested natively.
#pragma once

#include <stdint.h>

constexpr int32_t FieldColumns = 10;
constexpr int32_t FieldRows = 22;
constexpr int32_t BlockColors = 7;
constexpr int32_t CellSide = 20;                 // a block's side in pixels
constexpr int32_t FieldLeft = 60, FieldTop = 80; // the well's top-left corner on the screen

struct FieldCell {
  int32_t Color; // 0 empty; 1..7 a block of that colour
  uint8_t Marked; // part of a line of three or more: removed by the next removal pass
};

// What the rules ask of the game screen; a nil hook is skipped.
struct PlayfieldHooks {
  void (*DrawFieldCell)(int32_t Column, int32_t Row); // a cell's colour changed
  void (*SpawnExplosion)(int32_t X, int32_t Y);       // a removed block explodes at this screen point
  int32_t (*ExplosionCount)();                        // explosions still running
  void (*PieceLanded)();                              // the falling stick became part of the well
  void (*NextPieceDealt)();                           // the preview shows a new stick
  void (*DropStep)();                                 // the held drop key moved the stick this frame
  int32_t (*Random)(int32_t N);                       // uniform in 0 .. N-1
};
extern PlayfieldHooks Rules;

// The well: [column 1..10][row 1..22], row 1 at the top; index 0 is unused.
extern FieldCell Playfield[FieldColumns + 1][FieldRows + 1];
extern int32_t PieceX;          // column of the falling stick, 1..10
extern int32_t PieceY;          // row of its top block, 1..20
extern int32_t CurrentPiece[4]; // [1..3]: colours of the stick, top to bottom
extern int32_t NextPiece[4];    // [1..3]: colours of the next stick
extern int32_t Score;
extern int32_t Level;
extern int32_t FallDelay;   // frames per one-row fall
extern int32_t FallCounter; // frames counted toward the next fall step
extern int32_t SpawnCount;  // sticks dealt since the last level rise
extern int32_t GameOver;    // a new stick found its entry cells filled
extern int32_t FieldBusy;   // blocks were removed or moved, or explosions run: the stick does not fall
extern uint8_t DropHeld;    // the drop key is held: the stick falls a row a frame

void StartNewGame();
void ClearField();
void GenerateNextPiece();
void SpawnPiece();
void MovePieceLeft();
void MovePieceRight();
void CycleColorsUp();
void CycleColorsDown();
// The two per-frame steps, in this order: removal, fall and marking; then the stick.
void ResolveField();
void FallStep();
