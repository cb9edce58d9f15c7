#pragma once
// Drives the real main window as a scan would, without an engine: results are
// laid out in the engine's data folder and the window's timer ticks are sent
// to it directly, so nothing waits for 200 ms.
#include <windows.h>

#include <string>

#include "workflow/main_dialog.h"

namespace bench {

std::string DataFolder();

void WriteSmallFile(const std::string& path, const std::string& content);

// Files first .. first + count - 1 as the engine lays them out (temp.1,
// temp.2, ... of 500 each), named f1000000.EXT upwards.
void WriteResults(int first, int count, const std::string& extension, const std::string& content);

// An empty data folder holding N results whose extensions are shifted up by
// one, as a run that was never cleaned up leaves them.
void MakeLeftoverResults(int count, const std::string& shiftedExtension, const std::string& content);

void Pump();

int ListCount(HWND dialog, int id);

// Polls the data folder, then sends pass ticks until the list holds `count`
// entries (or every file found has had its tick).
void ListUpTo(HWND dialog, int listId, int count);

// Opens the main window, selects C: and presses Next: the leftover results are
// taken as they are, without an engine. Then lists `count` of them.
HWND OpenAndListEverything(workflow::MainDialog& dialog, int listId, int count);

}  // namespace bench
