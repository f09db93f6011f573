#pragma once
// The one entry point of a fuzz target: libFuzzer calls it with each input it makes, and
// replay_main.cpp with each file of the target's corpus.

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
