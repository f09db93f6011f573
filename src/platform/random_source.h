#pragma once
// Random bytes, for the signature that tells this instance's drags from others'.

#include <cstdint>

class RandomSource {
  public:
    virtual ~RandomSource() = default;
    // A byte drawn uniformly from 0 to 255.
    virtual uint8_t NextByte() = 0;
};

class SystemRandom : public RandomSource {
  public:
    uint8_t NextByte() override;
};
