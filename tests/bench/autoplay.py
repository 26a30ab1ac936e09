"""A player for the game screen that reads the sticks off the screen and plays them
with the keyboard: it places sticks until one makes a line (so the score is above
0), and then drops sticks until the game is over."""
import time

import pictures
import winebench as wb

COLUMNS, ROWS = 10, 22
FIELD_AT, CELL = (60, 80), 20
PREVIEW_AT, PREVIEW_CELL = (333, 113), 15
RECORDS_AT = (180, 120)
PAUSE_AT = (243, 150)
START_COLUMN = 5
NAME_BOX = (234, 374, 360, 392)
NAME_BOX_BLUE = (0, 28, 255)  # 0x00FF in 5-6-5
# Buttons: where they are, their bitmap and where its pressed look is.
RECORDS_NEW_GAME = ((500, 434), "Records_Buttons.bmp", (60, 0))
BEST_BUTTON = ((625, 520), "Buttons.bmp", (30, 60))
SOUND_BUTTON_OFF = ((665, 520), "Buttons.bmp", (90, 60))  # showing sound off: pressed, it switches on
SOUND_BUTTON_ON = ((665, 520), "Buttons.bmp", (60, 60))


def lines_in(columns):
    """Whether the well (a list per column of colours, bottom first) holds a line of
    three or more of one colour in any of the four directions."""
    def at(c, r):
        return columns[c][r] if 0 <= c < COLUMNS and 0 <= r < len(columns[c]) else 0

    for c in range(COLUMNS):
        for r in range(len(columns[c])):
            colour = at(c, r)
            for dc, dr in ((1, 0), (0, 1), (1, 1), (1, -1)):
                if colour and at(c + dc, r + dr) == colour and at(c + 2 * dc, r + 2 * dr) == colour:
                    return True
    return False


def cycled(stick, times):
    """The stick (top to bottom) after the Up key was pressed `times` times."""
    for _ in range(times):
        stick = stick[1:] + stick[:1]
    return stick


class AutoPlayer:
    def __init__(self, game, images_dir):
        self.game = game
        self.screen = game.screen
        self.images_dir = images_dir
        self.pause_window = pictures.bitmap(images_dir, "PauseWindow_BG.bmp")
        cells = pictures.bitmap(images_dir, "Cells.bmp")
        previews = pictures.bitmap(images_dir, "PreviewCells.bmp")
        self.records_window = pictures.bitmap(images_dir, "Records_BG.bmp")
        # Each colour's look: the pixels of its square, keyed on black; a landed block
        # and the falling stick look different.
        self.falling = [self._looks(cells, CELL, CELL, CELL, (c - 1) * CELL, key=(0, 0, 0))
                        for c in range(1, 8)]
        self.landed = [self._looks(cells, CELL, CELL, 0, (c - 1) * CELL, key=(0, 0, 0)) for c in range(1, 8)]
        self.preview = [self._looks(previews, PREVIEW_CELL, PREVIEW_CELL, (c - 1) * PREVIEW_CELL, 0)
                        for c in range(1, 8)]
        self.columns = [[] for _ in range(COLUMNS)]
        self.column = START_COLUMN

    @staticmethod
    def _looks(image, w, h, left, top, key=None):
        looks = []
        for y in range(1, h - 1, 2):
            for x in range(1, w - 1, 2):
                rgb = pictures.as_shown(image.getpixel((left + x, top + y)))
                if key is None or rgb != pictures.as_shown(key):
                    looks.append((x, y, rgb))
        return looks

    @staticmethod
    def _colour(screen, x, y, looks):
        """The colour (1..7) whose look the square at (x, y) is nearest to, and whether it
        is near enough to count as shown."""
        best, best_error = 0, None
        for colour, pixels in enumerate(looks, start=1):
            error = sum(abs(a - b) for dx, dy, rgb in pixels for a, b in zip(screen.pixel(x + dx, y + dy), rgb))
            error /= 3 * len(pixels)
            if best_error is None or error < best_error:
                best, best_error = colour, error
        return best, best_error < 12

    def _read(self, screen, x, y, side, looks):
        found = [self._colour(screen, x, y + i * side, looks) for i in range(3)]
        return [c for c, _ in found] if all(ok for _, ok in found) else None

    def read_well(self, screen):
        """The landed blocks as the screen shows them: [column][row] colours, 0 for a cell
        that shows no landed block (empty, under the stick or under an explosion)."""
        well = [[0] * ROWS for _ in range(COLUMNS)]
        for c in range(COLUMNS):
            for r in range(ROWS - 1, -1, -1):
                colour, ok = self._colour(screen, FIELD_AT[0] + c * CELL, FIELD_AT[1] + r * CELL, self.landed)
                if not ok:
                    break  # columns are packed: nothing lies above an empty cell
                well[c][r] = colour
        return well

    def stick_row(self, screen):
        """The row (1..20) of the falling stick's top block in its column, or None."""
        for row in range(1, ROWS - 1):
            y = FIELD_AT[1] + (row - 1) * CELL
            if self._read(screen, FIELD_AT[0] + (self.column - 1) * CELL, y, CELL, self.falling):
                return row
        return None

    def read_preview(self, screen):
        return self._read(screen, PREVIEW_AT[0], PREVIEW_AT[1], PREVIEW_CELL, self.preview)

    def read_falling_at_top(self, screen):
        x = FIELD_AT[0] + (self.column - 1) * CELL
        return self._read(screen, x, FIELD_AT[1], CELL, self.falling)

    def records_shown(self, screen):
        return pictures.shows(screen, self.records_window, (0, 0, 440, 40), RECORDS_AT, key=(255, 255, 255)) > 0.9

    def pause_shown(self, screen):
        return pictures.shows(screen, self.pause_window, (0, 0, 315, 305), PAUSE_AT, key=(0, 255, 0), step=5) > 0.95

    @staticmethod
    def name_box_lit(screen):
        x0, y0, x1, y1 = NAME_BOX
        return all(wb.close_enough(screen.pixel(x, y0 + 1), NAME_BOX_BLUE) for x in range(x1 - 20, x1 - 2))

    def click(self, button):
        """A click as a hand makes it. The mouse is read by state once a frame: the press
        comes after a frame has seen the cursor on the button, and lasts until the button
        shows it."""
        (x, y), name, pressed = button
        self.game.point_at(x + 15, y + 15)
        self.game.wait_screen(lambda s: wb.cursor_at(s, x + 15, y + 15), what="the cursor on the button")
        self.screen.xdotool("mousedown", 1)
        image = pictures.bitmap(self.images_dir, name)
        self.game.wait_screen(lambda s: pictures.shows(s, image, (*pressed, 15, 15), (x, y)) > 0.9,
                              what=f"the button of {name} pressed")
        self.screen.xdotool("mouseup", 1)

    def leave(self):
        """From a running game: the pause window, yes, and Escape on the menu; answers
        the program's exit code."""
        self.screen.key("Escape")
        self.game.wait_screen(self.pause_shown, what="the pause window")
        self.screen.key("y")
        self.game.wait_screen(lambda s: not self.pause_shown(s) and s.pixel(80, 290) != (0, 0, 0), what="the menu")
        self.screen.key("Escape")
        return self.game.wait_exit(60)

    def _choose(self, stick):
        """Column (1..10) and cycles for the stick: one that makes a line if there is
        one, else the lowest column nearest to the stick."""
        best = None
        for column in range(1, COLUMNS + 1):
            for times in range(3):
                trial = [list(c) for c in self.columns]
                trial[column - 1] += list(reversed(cycled(stick, times)))
                line = lines_in(trial)
                rank = (not line, len(self.columns[column - 1]), abs(column - self.column), times)
                if best is None or rank < best[0]:
                    best = (rank, column, times, line)
        return best[1], best[2], best[3]

    def _drop(self, previous_preview, timeout=20):
        """Holds Space until the stick has landed: the preview changed (the next stick
        was dealt) or the records table opened. When the next stick looks like the last,
        the preview stays; then a stick of those colours at the top of the well shows
        the landing."""
        held = time.monotonic()

        def landed(screen):
            if self.read_preview(screen) != previous_preview or self.records_shown(screen):
                return True
            return time.monotonic() - held > 2 and self.read_falling_at_top(screen) == previous_preview

        self.screen.key_down("space")
        try:
            wb.wait_for(lambda: landed(self.screen.screenshot()), timeout, interval=0.05, what="the stick to land")
        finally:
            self.screen.key_up("space")

    def drop(self):
        """Drops the falling stick where it is."""
        self._drop(self.read_preview(self.screen.screenshot()))

    def start(self):
        """Starts a game from the menu and waits for its first stick at the top of the
        well; answers it. The cursor goes to the far corner, out of the well's way."""
        self.game.wait_screen(lambda s: s.pixel(80, 290) != (0, 0, 0), what="the menu")
        self.screen.key("Return")
        stick = None

        def first(screen):
            nonlocal stick
            stick = self.read_falling_at_top(screen)
            return stick and self.read_preview(screen)
        self.game.wait_screen(first, timeout=30, what="the first stick at the top of the well")
        self.game.point_at(wb.SCREEN_W - 1, wb.SCREEN_H - 1)
        return stick

    def play_until_scored(self, stick, limit=60):
        """Places sticks until one makes a line; answers the number placed."""
        for placed in range(1, limit + 1):
            preview = self.read_preview(self.game.wait_screen(self.read_preview, what="the preview"))
            column, times, line = self._choose(stick)
            keys = ["Up"] * times + (["Left"] * (self.column - column) if column < self.column
                                     else ["Right"] * (column - self.column))
            if keys:
                self.screen.key(*keys)
            self.column = column
            self.columns[column - 1] += list(reversed(cycled(stick, times)))
            self._drop(preview)
            if line:
                return placed
            stick = preview
        raise wb.BenchError(f"no line after {limit} sticks")

    def play_until_over(self, timeout=180):
        """Drops sticks where they fall until the game is over and the records table opens."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            screen = self.screen.screenshot()
            if self.records_shown(screen):
                return screen
            self._drop(self.read_preview(screen))
        raise wb.BenchError(f"the game was not over after {timeout} s")
