#pragma once

#include "base/result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The whole RIFF/WAVE image of the sound played last; each play replaces it, and it stays
// after the play.
extern QByteArray WaveBuffer;

// Loads the sound resource id (101 the door sound, 102 the long one) into WaveBuffer and plays
// it, returning once it has been played out. Without a sound server, or with a server that
// refuses, it returns at once and silently; a damaged sound is not played.
void PlayWaveResource(int id);

namespace wavesound {

// The bytes of sound resource id, as embedded in the executable; empty when there is none.
QByteArray resource(int id);

// Plays a RIFF/WAVE file image to its end, or says why it was not played. Never starts a sound
// server and never waits for one that is not there.
Status play(QByteArrayView riff);

} // namespace wavesound
