#pragma once
// What the main window's list should show, worked out from the manager's own answers.
#include <string>
#include <vector>

#include "remote_list.h"

// Every Win32 service the manager lists now, as the row the list shows for it (name, display
// name, run state, start type, program path), in the list's ascending order of names.
std::vector<ListRow> ExpectedRows();

// The list control's ascending order of names: the locale's comparison, ignoring case. It is
// not the byte order: a hyphen weighs nothing and other punctuation comes before letters.
bool ListOrderLess(const std::string& a, const std::string& b);
