#pragma once
// Drives the real main window through a scan whose engine is the tests'
// stand-in, told to write nothing and to hang: the benchmark lays results out
// in the engine's data folder itself and the window lists them as it would
// list the engine's, with its own timers and threads.
#include <windows.h>

#include <functional>
#include <string>

#include "workflow/window/main_dialog.h"

namespace bench {

std::string DataFolder();

void WriteSmallFile(const std::string& path, const std::string& content);

// Files first .. first + count - 1 as the engine lays them out (temp.1,
// temp.2, ... of 500 each), named f1000000.EXT upwards.
// With `distinct`, each file's last bytes are its number: a copy writes the
// same bytes only once.
void WriteResults(int first, int count, const std::string& extension, const std::string& content,
                  bool distinct = false);

void Pump();

int ListCount(HWND dialog, int id);

// Pumps messages until the list holds `count` entries, or nothing more has
// been listed for a while.
void ListUpTo(HWND dialog, int listId, int count);

// Pumps messages until `done` holds; returns how long the listing tick took
// in which it came true (0 when it did not within the time limit).
double TimeListingTickUntil(HWND dialog, const std::function<bool()>& done);

// Installs the stand-in engine, opens the main window, selects C: and presses
// Next; the engine runs, writes nothing and hangs until the window is closed.
HWND OpenScanning(workflow::MainDialog& dialog);
// Closes the window (the engine with it) and removes the engine and its data.
void CloseScanning(HWND dialog);

}  // namespace bench
