#include "platform/random_source.h"

#include <QRandomGenerator>

uint8_t SystemRandom::NextByte() {
    return static_cast<uint8_t>(QRandomGenerator::global()->bounded(256));
}
