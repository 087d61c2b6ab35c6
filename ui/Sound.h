#pragma once
// Button sounds: WAVE resources of the program's module, played asynchronously with no
// default sound when missing. Tests replace the player to count requests.
#include <windows.h>

#include <functional>

namespace zt {

using SoundPlayer = std::function<void(UINT waveId)>;

void PlayWaveResource(UINT waveId);
// Returns the previous player; an empty one restores PlaySound.
SoundPlayer SetSoundPlayer(SoundPlayer player);

} // namespace zt
