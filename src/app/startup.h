#pragma once

// The whole program: opens the windows, fills the model library and pumps events until exit.
[[noreturn]] void runTessaly(int argc, char** argv);

void displayMain();
void closeMain();
