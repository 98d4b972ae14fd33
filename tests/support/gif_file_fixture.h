// The fixture of the animation writer's tests: each case gets a folder of its own, path_ a file
// in it; afterwards the writer is closed and the folder removed. randomFrame makes a screen of
// random levels.
#pragma once

#include "gif/animation_writer.h"

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

class GifFileTest : public ::testing::Test {
  public:
    // width x height levels 0 to 15, the same for the same seed.
    static std::vector<std::uint8_t> randomFrame(int width, int height, unsigned seed) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> level(0, 15);
        std::vector<std::uint8_t> frame(static_cast<std::size_t>(width * height));
        for (std::uint8_t& pixel : frame) {
            pixel = static_cast<std::uint8_t>(level(random));
        }
        return frame;
    }

  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::path(::testing::TempDir()) /
               ("gif_" + std::to_string(getpid()) + "_" + info->test_suite_name() + "_" +
                info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "out.gif").string();
    }
    void TearDown() override {
        if (animationIsOpen()) {
            endAnimation();
        }
        std::filesystem::remove_all(dir_);
    }

    std::filesystem::path dir_;
    std::string path_;
};
