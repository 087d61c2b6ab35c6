#include "ui/Sound.h"

#include <mmsystem.h>

namespace zt {
namespace {
SoundPlayer& Player() {
    static SoundPlayer player;
    return player;
}
} // namespace

void PlayWaveResource(UINT waveId) {
    if (waveId == 0) return;
    if (Player()) {
        Player()(waveId);
        return;
    }
    // A new sound cuts the one still playing.
    ::PlaySoundW(MAKEINTRESOURCEW(waveId), ::GetModuleHandleW(nullptr),
                 SND_RESOURCE | SND_ASYNC | SND_NODEFAULT);
}

SoundPlayer SetSoundPlayer(SoundPlayer player) {
    SoundPlayer previous = std::move(Player());
    Player() = std::move(player);
    return previous;
}

} // namespace zt
