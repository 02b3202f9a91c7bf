#pragma once

// The commands without a window say on standard error which effects switched
// themselves off (a plug-in whose output stopped being a number) since the
// last call, one line each, where the editor shows a message box.
void PrintBypassedEffects();
