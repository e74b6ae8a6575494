#pragma once

namespace stakor {

// What a gamepad asks of the game: the moves and turns of the keys, the fast
// drop's press and release, the pause, and a new game (F2's question first).
enum class TPadAction { Left, Right, Rotate, RotateBack, DropPress, DropRelease, Pause, NewGame };

} // namespace stakor
