#pragma once

#include <string>

namespace coin_reading {

// Starts Coin3D once per process, set up so that nothing a model file names is fetched (Inline,
// WWWInline, File, EXTERNPROTO, image textures) and so that its messages are collected instead of
// printed.
void startCoin();

// Forgets the messages collected so far.
void clearCoinMessages();

// What Coin reported since the last clearCoinMessages, in one line (its messages span lines and
// name the input buffer), cut to a few hundred characters.
const std::string& coinMessages();

}  // namespace coin_reading
