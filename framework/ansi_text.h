#pragma once
// Wide text in the process's ANSI code page, the one every narrow call of the program uses.
#include <string>

// The code page's bytes for `text`, with its default character ('?') for one it cannot hold;
// `exact`, when given, says whether it held every character.
std::string ToAnsi(const wchar_t* text, bool* exact = nullptr);
