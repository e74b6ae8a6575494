#pragma once

namespace stakor {

// The program: one instance per user, the game's objects made in order, the
// main window, the message loop. Gives the exit code.
int RunProgram(int argc, char** argv);

} // namespace stakor
