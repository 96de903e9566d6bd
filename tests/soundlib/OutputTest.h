// A test that holds the sound output open from SetUp to TearDown.
#pragma once

#include "Tarvenko.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>

namespace soundtest {

class OutputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        instance_ = dsInitialize(0);
        ASSERT_NE(instance_, 0) << "no output: " << SDL_GetError();
    }
    void TearDown() override {
        if (instance_ != 0) dsTerminate(instance_);
    }
    std::int32_t instance_ = 0;
};

} // namespace soundtest
