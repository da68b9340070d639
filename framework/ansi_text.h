#pragma once
// Wide text to and from the process's ANSI code page, the one every narrow call of the program
// uses.
#include <string>

#include "wide_text.h"

// The code page's bytes for `text`, with its default character ('?') for one it cannot hold;
// `exact`, when given, says whether it held every character.
std::string ToAnsi(const wchar_t* text, bool* exact = nullptr);

// The characters of `text`, bytes in that code page, as the narrow window calls read them.
WideText FromAnsi(const char* text);
