// Printable names of DirectInput key codes, the same on every keyboard layout.
#pragma once

#include <stdint.h>

// The name of key code Code: at most 5 characters, "" for codes without a name.
// The text is constant and lives as long as the library.
const char* KeyName(uint8_t Code);
